// Makes the Windows payload archive on the build machine: the stub program followed by every
// plain file of a staged folder (resources/payload_stub/payload_format.h), in name order so
// that the same folder gives the same archive.
//
//   payload_packer STUB FOLDER ARCHIVE
//
// The archive is written beside ARCHIVE first, read back and compared with the folder, and
// only then renamed into place.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/payload_stub/payload_format.h"

namespace fs = std::filesystem;
namespace format = updater::payload_format;

namespace {

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

void Pack(const fs::path& stub, const fs::path& folder, const fs::path& archive) {
  std::vector<fs::path> files;
  for (const fs::directory_entry& item : fs::directory_iterator(folder)) {
    if (!item.is_regular_file() || item.is_symlink()) {
      throw std::runtime_error("the folder may hold plain files only: " + item.path().string());
    }
    files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());

  std::vector<std::vector<std::uint8_t>> contents;
  std::vector<format::Entry> entries;
  for (const fs::path& file : files) contents.push_back(ReadFile(file));
  for (std::size_t i = 0; i < files.size(); ++i) {
    entries.push_back({files[i].filename().string(), contents[i]});
  }
  std::vector<std::uint8_t> out = ReadFile(stub);
  format::AppendArchive(out, entries);

  const fs::path written = archive.string() + ".tmp";
  {
    std::ofstream file(written, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + written.string());
  }
  const std::vector<std::uint8_t> back = ReadFile(written);
  const std::vector<format::Entry> read = format::ReadArchive(back);
  bool same = read.size() == entries.size();
  for (std::size_t i = 0; same && i < read.size(); ++i) {
    same = read[i].name == entries[i].name &&
           std::equal(read[i].bytes.begin(), read[i].bytes.end(), entries[i].bytes.begin(),
                      entries[i].bytes.end());
  }
  if (!same) throw std::runtime_error("the written archive differs from " + folder.string());
  fs::rename(written, archive);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: payload_packer STUB FOLDER ARCHIVE\n");
    return 2;
  }
  try {
    Pack(argv[1], argv[2], argv[3]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "payload_packer: %s\n", e.what());
  }
  return 1;
}
