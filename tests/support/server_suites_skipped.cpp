// Linked into the test programs of a cross build in place of their server suites.

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(ServerSuites, SkippedWithoutAFirebirdClientForThisPlatform) {
  GTEST_SKIP() << "The suites that talk to a Firebird server are not built here: this machine "
                  "has no Firebird client library for the target platform. They run in the "
                  "native build, and on a Windows machine with fbclient.dll.";
}

}  // namespace
}  // namespace updater
