# Whole update runs stop and start the shared Firebird server: nothing else may run meanwhile.
# Every case of the suite runs alone, so that a new case cannot be forgotten here (the few
# client-only runs would not need it).
foreach(name IN LISTS test_e2e_TESTS)
  if(name MATCHES "^(UpdateRunServerTest|InterruptedRunServerTest)\\.")
    set_tests_properties("${name}" PROPERTIES RUN_SERIAL TRUE)
  endif()
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
