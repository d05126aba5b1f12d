#pragma once

#include <string>

namespace updater::db {

// Callers hold a loaded client only to hand it to attachments and services; its entry points
// are this folder's own business.
struct ClientApi;

// The entry points of the client library `name` (a bare file name is looked up beside the
// executable first). Loaded at first use and kept until the program ends; later calls with
// the same name return the same table. Raises Error naming the file and the reason when the
// library does not load or lacks an entry point.
const ClientApi& LoadClientApi(const std::string& name);
// The client library ends every connection of the process when the process is sent a stop
// signal. A program that takes those signals itself (and must first finish its step: a
// script's transaction, a mode switch) calls this once: every client it loads refuses its own
// shutdown on a signal. Never from a library that may be unloaded: the client would keep a
// callback into unmapped code.
void RefuseClientShutdownOnSignals();
// Frees the table of loaded clients and leaves the libraries loaded: for a shared library
// that carries this code and is itself being unloaded. The entry points are gone after it.
void ForgetClientApis() noexcept;

}  // namespace updater::db
