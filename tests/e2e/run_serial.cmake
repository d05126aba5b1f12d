# Whole update runs stop and start the shared Firebird server: nothing else may run meanwhile.
# (The client-only runs of the same suite leave the server alone.)
foreach(name FullUpdateOfBothParts WrongAdmnPasswordRollsBackAndLeavesTheLiveDatabaseOnline
             FailingStatementInTheScriptRollsBackAndKeepsTheNewLibrary
             DeclinedAtTheConfirmationWithoutATerminalChangesNothing
             AnotherProcessHoldingTheProductFolderStopsTheRunBeforeAnyCopy
             DeclinedAtTheUsersWarningOnATerminalChangesNothing
             DatabaseFileHeldThroughTheSwapIsReportedAsAFailure
             ProgressShowsOnATerminalOnlyAndLeavesTheRunLogAsItWas
             ServerThatCannotStartAtTheEndIsReportedAsAFailure
             DeclinedAtTheServerStopWarningChangesNothing
             ServerOnlyUpdatesTheDatabaseAndLeavesNoClient)
  set_tests_properties("UpdateRunServerTest.${name}" PROPERTIES RUN_SERIAL TRUE)
endforeach()
foreach(name TooLittleFreeSpaceStopsBeforeAnyCopy
             DiskFillingUpDuringTheCopiesLeavesTheLiveProductAsItWas)
  set_tests_properties("SmallDiskUpdateServerTest.${name}" PROPERTIES RUN_SERIAL TRUE)
endforeach()
# Every crash test kills a run that stops the server, and its recovery starts it again.
foreach(name IN LISTS test_e2e_TESTS)
  if(name MATCHES "^Stages/KillAndRecoverServerTest\\.")
    set_tests_properties("${name}" PROPERTIES RUN_SERIAL TRUE)
  endif()
endforeach()
# The check attaches to the server that the whole runs stop and start: it runs alone too.
set_tests_properties("CheckServerTest.JsonNamesTheStateAndEveryReason" PROPERTIES RUN_SERIAL TRUE)
