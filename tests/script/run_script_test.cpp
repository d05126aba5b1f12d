#include "script/run_script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "script/script_library.h"
#include "script/script_library_abi.h"
#include "seams/platform_names.h"
#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/path.h"
#include "tests/script/script_params.h"
#include "tests/support/error_of.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::ErrorOf;
using testing::RecordingOperator;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

// The stand-ins' file names as the build made them.
const std::string kBareDouble = UPDATER_BARE_DOUBLE;
const std::string kPartialDouble = UPDATER_PARTIAL_DOUBLE;

std::string DoublePath(const std::string& file_name) {
  return JoinPath(JoinPath(ExecutableFolder(), "doubles"), file_name);
}

TEST(ConnectParams, ValueHoldingTheSeparatorIsRefusedBeforeAnythingLoads) {
  // A library path that cannot load shows whether loading was tried.
  ScopedScriptLibraryFile missing("/nonexistent/libnothing.so");
  RecordingOperator ui;
  const std::vector<std::string> names = {"db_name",  "password",      "user_name",
                                          "lc_ctype", "sql_role_name", "clientlib"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::vector<std::string> v = {"localhost/3051:/x.fdb", "pw", "SYSDBA", "UTF8", "", kClient};
    v[i] = "x; user_name=SYSDBA";
    const std::string message = ErrorOf([&] {
      RunScriptText(ui,
                    {.client_library = v[5],
                     .database = v[0],
                     .user = v[2],
                     .password = v[1],
                     .charset = v[3],
                     .role = v[4]},
                    "select 1 from rdb$database;", &ui);
    });
    EXPECT_EQ(message, "The value of the connection parameter \"" + names[i] +
                           "\" must not contain a semicolon followed by a blank!");
  }
  EXPECT_TRUE(ui.log.empty());
}

TEST(RunScript, BlankArgumentsAndScriptsAreRefused) {
  RecordingOperator ui;
  testing::TempFolder folder;
  const std::string missing = folder / "no such dir/update.sql";
  EXPECT_THAT([&] { RunScriptText(ui, Params("db", " \t"), "x", &ui); },
              ThrowsMessage<Error>(StrEq("The password was not specified!")));
  EXPECT_THAT(
      [&] {
        RunScriptText(ui,
                      {.client_library = " ",
                       .database = "db",
                       .user = "SYSDBA",
                       .password = "pw",
                       .charset = "UTF8"},
                      "x", &ui);
      },
      ThrowsMessage<Error>(StrEq("The client's library was not specified!")));
  EXPECT_THAT([&] { RunScriptText(ui, Params("db"), " \r\n\t ", &ui); },
              ThrowsMessage<Error>(StrEq("The script is empty!")));
  EXPECT_THAT([&] { RunScriptFile(ui, Params("db"), "  \r\n", &ui); },
              ThrowsMessage<Error>(StrEq("The script's file was not specified!")));
  EXPECT_THAT([&] { RunScriptFile(ui, Params("db"), " " + missing + "\r\n", &ui); },
              ThrowsMessage<Error>(StrEq("The \"" + missing + "\" script file was not found!")));
  // A folder is no script file.
  EXPECT_THAT(
      [&] { RunScriptFile(ui, Params("db"), folder.path(), &ui); },
      ThrowsMessage<Error>(StrEq("The \"" + folder.path() + "\" script file was not found!")));
}

TEST(RunScript, LibraryFaultsNameTheFileUsed) {
  EXPECT_STREQ(kPlatformScriptLibName, UPDATER_SCRIPT_LIBRARY_FILE);
  RecordingOperator ui;
  auto run_text = [&] { RunScriptText(ui, Params("localhost/3051:/x.fdb"), "x;", &ui); };
  {
    ScopedScriptLibraryFile file("/nonexistent/libnothing.so");
    EXPECT_THAT(
        run_text,
        ThrowsMessage<Error>(StrEq("It is impossible to download the \"libnothing.so\" library!")));
  }
  {
    ScopedScriptLibraryFile file(DoublePath(kBareDouble));
    EXPECT_THAT(run_text,
                ThrowsMessage<Error>(StrEq("The \"Connect\" function was not found in the \"" +
                                           kBareDouble + "\" library!")));
  }
  {
    ScopedScriptLibraryFile file(DoublePath(kPartialDouble));
    testing::TempFolder folder;
    const std::string script = folder.Write("partial.sql", "select 1 from rdb$database;");
    EXPECT_THAT([&] { RunScriptFile(ui, Params("x"), script, &ui); },
                ThrowsMessage<Error>(StrEq("The function was not found in the \"" + kPartialDouble +
                                           "\" library! (ExecScriptFile)")));
  }
}

TEST(RunScript, ConnectionFailureReportedEitherWayFailsTheRun) {
  ScopedScriptLibraryFile file(DoublePath(kPartialDouble));
  RecordingOperator ui;
  EXPECT_THAT(
      [&] { RunScriptText(ui, Params("callback-only"), "x;", &ui); },
      ThrowsMessage<Error>(StrEq(
          "Error of the connection to the database!\rRefused, said only through the callback")));
  EXPECT_THAT([&] { RunScriptText(ui, Params("result-only"), "x;", &ui); },
              ThrowsMessage<Error>(StrEq("Error of the connection to the database!\r")));
  // A script export's result alone is no failure.
  EXPECT_EQ(ErrorOf([&] { RunScriptText(ui, Params("fine"), "  y;  ", &ui); }), "<no error>");
  EXPECT_EQ(ui.log, (std::vector<std::string>{"y;"}));
  EXPECT_TRUE(ScriptErrorText().empty());
}

// The binding finds the built library by its bare name beside the program, exports and all.
TEST(ScriptLibraryLoad, TheBuiltLibraryLoadsFromTheProgramsFolder) {
  ASSERT_TRUE(ScriptLibraryOverride().empty());
  ScriptLibrary library;
  EXPECT_EQ(library.file_name(), kPlatformScriptLibName);
  for (const char* name : {kConnectExport, kExecScriptFileExport, kExecScriptTextExport}) {
    EXPECT_NE(library.Find(name), nullptr) << name;
  }
  EXPECT_EQ(library.Find("NoSuchExport"), nullptr);
}

}  // namespace
}  // namespace updater
