#include "app/local_time.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "sys/error.h"

namespace updater {

namespace {

std::tm LocalTm(Clock::TimePoint t) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  ::tzset();  // localtime_r alone may keep a time zone read before TZ changed
  std::tm tm{};
  if (::localtime_r(&seconds, &tm) == nullptr) {
    throw Error("Cannot convert the time to local time: " + std::string(std::strerror(errno)));
  }
  return tm;
}

// The locale whose time formats the environment asks for; the character type
// comes from the same locale so that its code set matches the month and day names.
class TimeLocale {
 public:
  TimeLocale() {
    const char* name = "C";
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
      const char* value = std::getenv(var);
      if (value != nullptr && *value != '\0') {
        name = value;
        break;
      }
    }
    handle_ = ::newlocale(LC_CTYPE_MASK | LC_TIME_MASK, name, nullptr);
    if (handle_ == nullptr) handle_ = ::newlocale(LC_CTYPE_MASK | LC_TIME_MASK, "C", nullptr);
    if (handle_ == nullptr) throw Error("Cannot load the C locale");
  }
  ~TimeLocale() { ::freelocale(handle_); }
  TimeLocale(const TimeLocale&) = delete;
  TimeLocale& operator=(const TimeLocale&) = delete;

  locale_t get() const { return handle_; }

 private:
  locale_t handle_;
};

class Iconv {
 public:
  Iconv(const char* to, const char* from) : handle_(::iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) ::iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

std::string ToUtf8(const std::string& text, const char* codeset) {
  if (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0) {
    return text;
  }
  Iconv cd("UTF-8", codeset);
  if (!cd.ok()) return text;
  std::vector<char> out(text.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  if (::iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
    return text;
  }
  return std::string(out.data(), out.size() - out_left);
}

std::string Format(Clock::TimePoint t, const char* format) {
  std::tm tm = LocalTm(t);
  TimeLocale locale;
  char buffer[256];
  std::size_t n = ::strftime_l(buffer, sizeof buffer, format, &tm, locale.get());
  return ToUtf8(std::string(buffer, n), ::nl_langinfo_l(CODESET, locale.get()));
}

}  // namespace

std::string ShortDateText(Clock::TimePoint t) {
  return Format(t, "%x");
}

std::string LongTimeText(Clock::TimePoint t) {
  return Format(t, "%X");
}

}  // namespace updater
