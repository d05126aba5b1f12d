#pragma once

#include <exception>
#include <string>

#include "db/connection_params.h"
#include "fbserver/facilities.h"
#include "seams/operator.h"
#include "seams/project_profile.h"

namespace updater {

// Switches the database of `db` (its connection string, user and password; the services
// manager takes no character set or role) to shutdown through the services manager of its
// server, then waits 2000 ms on the clock of `f` for the server to carry it out.
// `server_prefix` is the profile's: when the connection string begins with it, the server
// comes from the prefix alone and the rest is the file path.
// Raises the server's messages on failure; the services attachment is released on every path.
void DBShutdown(const Facilities& f, const db::ConnectionParams& db,
                const std::string& server_prefix);

// Brings the database back online; as DBShutdown, without the wait.
void DBOnLine(const db::ConnectionParams& db, const std::string& server_prefix);

// The Service-menu commands: switch the live database of `product_folder` as SYSDBA and tell
// the operator. A database already in the requested mode gives a warning, not an error.
void UpdateShutdown(const Facilities& f, Operator& op, const ProjectProfile& profile,
                    const std::string& product_folder, const std::string& system_password);
void UpdateOnLine(const Facilities& f, Operator& op, const ProjectProfile& profile,
                  const std::string& product_folder, const std::string& system_password);

// Whether `e` is the server's answer that the database already is in the requested mode.
bool IsAlreadyInMode(const std::exception& e);

}  // namespace updater
