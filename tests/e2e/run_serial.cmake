# Whole update runs stop and start the shared Firebird server: nothing else may run meanwhile.
foreach(name FullUpdateOfBothParts WrongAdmnPasswordRollsBackAndLeavesTheLiveDatabaseOnline
             FailingStatementInTheScriptRollsBackAndKeepsTheNewLibrary
             DeclinedAtTheConfirmationWithoutATerminalChangesNothing
             ClientOnlyUpdatesTheProgramWithoutTheServer
             AnotherProcessHoldingTheProductFolderStopsTheRunBeforeAnyCopy)
  set_tests_properties("UpdateRunServerTest.${name}" PROPERTIES RUN_SERIAL TRUE)
endforeach()
