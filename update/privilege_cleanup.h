#pragma once

#include <string>
#include <string_view>

#include "seams/operator.h"
#include "seams/progress.h"

namespace updater {

// Whose grants a clean-up removes; it runs as that same user.
enum class PrivilegeGrantor { Admn, Sysdba };

// "ADMN" or "SYSDBA".
const char* GrantorUserName(PrivilegeGrantor grantor);

// The script that removes every privilege granted to a user (user type 8) by `grantor`,
// except those held by SYSDBA, ADMN and PUBLIC. Servers before 3.0 allow deleting the rows of
// RDB$USER_PRIVILEGES; 3.0 and later forbid it, so there each privilege is revoked.
std::string PrivilegeCleanupScript(PrivilegeGrantor grantor, int server_major_version);

// The major version in an isc_info_firebird_version reply. Throws Error when it has none.
int ParseServerMajorVersion(std::string_view reply);

// The server's major version (2 for 2.5, 3 for 3.0.11), asked over an attachment as `user`.
int ServerMajorVersion(const std::string& client_library, const std::string& database,
                       const std::string& user, const std::string& password);

// Runs the clean-up for `grantor` through the script library, as that user, with the
// script that suits the server. Throws Error as RunScriptText does.
void CleanUpPrivileges(Operator& ui, const std::string& client_library, const std::string& database,
                       const std::string& password, PrivilegeGrantor grantor, Operator* log_target,
                       Progress* progress = nullptr);

}  // namespace updater
