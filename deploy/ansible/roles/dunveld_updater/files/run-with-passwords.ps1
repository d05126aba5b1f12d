# Starts the program in the arguments with the SYSDBA and the ADMN password, read as two lines
# from standard input, in UPDATER_SYSDBA_PASSWORD and UPDATER_ADMN_PASSWORD: so they reach the
# Updater through its environment and stand on no command line.
$ErrorActionPreference = 'Stop'
$env:UPDATER_SYSDBA_PASSWORD = [Console]::In.ReadLine()
$env:UPDATER_ADMN_PASSWORD = [Console]::In.ReadLine()
if ($null -eq $env:UPDATER_SYSDBA_PASSWORD -or $null -eq $env:UPDATER_ADMN_PASSWORD) { exit 125 }
$program, $arguments = $args
& $program @arguments
exit $LASTEXITCODE
