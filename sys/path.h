#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace updater {

// The platform's preferred separator and the characters it accepts as one.
char PathSeparator();
bool IsPathSeparator(char c);

// Length of the root part ("/" on POSIX); 0 for a relative path.
std::size_t RootLength(const std::string& path);
bool IsAbsolutePath(const std::string& path);

// The process's current directory; raises Error when it cannot be read.
std::string CurrentDirectory();

// The longest path the platform's calls accept, in bytes.
std::size_t MaxPathLength();

// `path` with exactly one separator at its end.
std::string IncludeTrailingSeparator(const std::string& path);
// `path` without separators at its end; a root keeps its own.
std::string ExcludeTrailingSeparator(const std::string& path);
// Parent, a separator where the parent lacks one, and the name.
std::string JoinPath(const std::string& parent, const std::string& name);
// The last component of `path` (after its last separator).
std::string FileNamePart(const std::string& path);
// Everything before the last component, without a trailing separator (a root keeps it).
std::string FolderPart(const std::string& path);

// The path that the standard library's files and streams take, read from our UTF-8 text (a
// narrow string would be read in the system's code page on Windows).
std::filesystem::path FileSystemPath(const std::string& path);

// The whole content of a file, closed again; nothing when it cannot be opened.
std::optional<std::string> ReadFileText(const std::string& path);

// The absolute form: a relative path is resolved against the current directory,
// "." and ".." components and doubled separators are folded away without looking at
// the disk. A trailing separator stays when the path had one. An empty path stays empty.
std::string FullPath(const std::string& path);

}  // namespace updater
