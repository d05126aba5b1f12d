# The service test stops the shared Firebird server for a few seconds: nothing else may run
# against it meanwhile.
set_tests_properties("ServiceServerTest.StopEndsTheServerAndStartBringsItBack"
                     PROPERTIES RUN_SERIAL TRUE)
