// A program for the tests that start programs: writes where and how it was started to
// where.txt in its working folder, then ends with the code it is given ("code N") or stays
// until it is ended ("stay").

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  {
    std::ofstream out("where.txt", std::ios::binary);
    const std::u8string cwd = std::filesystem::current_path().u8string();
    out << std::string(cwd.begin(), cwd.end()) << '\n' << argc - 1 << '\n';
    for (int i = 1; i < argc; ++i) out << '[' << argv[i] << "]\n";
  }
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "code" && argc > 2) return std::atoi(argv[2]);
  if (first == "stay") {
    for (int i = 0; i < 600; ++i) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  return 0;
}
