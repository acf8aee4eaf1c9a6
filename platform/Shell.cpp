#include "Shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "Screen.h"

namespace platform {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool hasScheme(const std::string& s) {
  const size_t colon = s.find(':');
  if (colon == std::string::npos || colon < 2) return false;  // "C:" is a drive, not a scheme
  return std::all_of(s.begin(), s.begin() + std::ptrdiff_t(colon), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
  });
}

}  // namespace

std::string findProgram(const std::string& exeName) {
  std::string name = exeName;
  if (name.size() > 4) {
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return char(std::tolower(c)); });
    if (ext == ".exe") name.resize(name.size() - 4);
  }
  if (name.empty() || name.find('/') != std::string::npos) {
    return !name.empty() && isExecutableFile(name) ? name : std::string();
  }
  if (const std::string here = programDir() + name; isExecutableFile(here)) return here;
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string_view rest = path;
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (folder.empty()) continue;
    std::string candidate(folder);
    if (candidate.back() != '/') candidate += '/';
    candidate += name;
    if (isExecutableFile(candidate)) return candidate;
  }
  return {};
}

StartedProgram startProgram(const std::string& exeName, const StartOptions& options) {
  StartedProgram started;
  const std::string program = findProgram(exeName);
  if (program.empty()) return started;
  QStringList args;
  for (const std::string& a : options.arguments) args << QString::fromStdString(a);
  qint64 pid = 0;
  if (!QProcess::startDetached(QString::fromStdString(program), args, QString(), &pid)) {
    return started;
  }
  started.pid = pid;
  const QDeadlineTimer deadline(options.timeoutMs);
  for (;;) {
    if (!options.windowClass.empty()) {
      started.window = options.caption ? findWindow(options.windowClass, *options.caption)
                                       : findWindow(options.windowClass);
    } else {
      for (const WindowInfo& w : listWindows()) {
        if (w.pid == pid) started.window = w.handle;
      }
    }
    if (started.window || deadline.hasExpired()) return started;
    dispatchSentMessages(int(std::min<qint64>(20, deadline.remainingTime())));
  }
}

std::string documentLocation(const std::string& path) {
  std::string p = path;
  if (hasScheme(p)) return p;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (!p.empty() && p.front() != '/') p = programDir() + p;
  return p;
}

bool openDocument(const std::string& path) {
  const std::string where = documentLocation(path);
  const QUrl url = hasScheme(where) ? QUrl(QString::fromStdString(where))
                                    : QUrl::fromLocalFile(QString::fromStdString(where));
  return QDesktopServices::openUrl(url);
}

}  // namespace platform
