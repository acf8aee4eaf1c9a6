// A scripted instrument program for cross-process tests. It takes part in window messaging
// like any instrument, replays a script and logs every message it receives, one line each.
//
//   peer_instrument --class C --caption T --log FILE [--message NAME] [--script FILE]
//                   [--result N]
//
// Script, one command a line ('#' starts a comment):
//   send <window> <msg> <wParam> <lParam>   logs "send-result <r>"
//   post <window> <msg> <wParam> <lParam>   logs "post-result <0|1>"
//   copy <window> <code> <hex bytes|->      logs "copy-result <r>"
//   echo                                    (inside on) the received copy-data back to its sender
//   wait <ms>                               runs the event loop that long
//   caption <text>                          renames the window
//   answer <msg> <result>                   the result of sent <msg> (else --result, default 0)
//   on <msg> <wParam|*> <command>           runs <command> inside the handler of every matching
//                                           message, sent or posted, in script order
//   exit [code]                             leaves the event loop
//   die                                     ends the process at once, answering nothing
// <window> is Class, Class|Caption, or "sender" (inside on: the sender of the message).
// <msg> is a number (0x.. allowed), WM_COPYDATA, or a name given to registerMessage.
//
// Log lines: "message <name> <number>" and "ready <handle>" at start, then for each message
// received "sent|posted msg=<n> w=<w> l=<l> from=<handle>", or for copy-data
// "copy code=<c> bytes=<hex|-> from=<handle>"; handles in hex with 0x.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Messaging.h"

namespace {

using platform::Message;
using platform::WindowHandle;

std::FILE* gLog = nullptr;

void logLine(const std::string& line) {
  std::fprintf(gLog, "%s\n", line.c_str());
  std::fflush(gLog);
}

std::string hexHandle(WindowHandle h) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(h));
  return buf;
}

std::string hexBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return "-";
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint8_t b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

[[noreturn]] void fail(const std::string& why) {
  if (gLog) logLine("error " + why);
  std::fprintf(stderr, "peer_instrument: %s\n", why.c_str());
  std::exit(2);
}

int64_t number(const std::string& s) {
  try {
    size_t used = 0;
    const int64_t v = s[0] == '-' ? std::stoll(s, &used, 0) : int64_t(std::stoull(s, &used, 0));
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  fail("not a number: " + s);
}

uint32_t messageNumber(const std::string& s) {
  if (s == "WM_COPYDATA") return platform::WM_COPYDATA;
  if (!s.empty() && (std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-')) {
    return uint32_t(number(s));
  }
  return platform::registerMessage(s);
}

std::vector<uint8_t> parseHex(const std::string& s) {
  std::vector<uint8_t> bytes;
  if (s == "-") return bytes;
  if (s.size() % 2) fail("odd hex: " + s);
  for (size_t i = 0; i < s.size(); i += 2) bytes.push_back(uint8_t(number("0x" + s.substr(i, 2))));
  return bytes;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string t; in >> t;) w.push_back(t);
  return w;
}

struct Reaction {
  uint32_t msg = 0;
  bool anyWParam = true;
  uint64_t wParam = 0;
  std::vector<std::string> command;
};

class Peer {
 public:
  Peer(const std::string& cls, const std::string& caption, int64_t defaultResult)
      : defaultResult_(defaultResult),
        endpoint_(cls, caption, [this](const Message& m) { return receive(m); }) {}

  WindowHandle handle() const { return endpoint_.handle(); }
  bool exiting() const { return exiting_; }
  int exitCode() const { return exitCode_; }

  // One command; false when the script is to stop.
  bool run(const std::vector<std::string>& w, const Message* current) {
    const std::string& op = w[0];
    auto need = [&](size_t n) {
      if (w.size() < n) fail("too few words for " + op);
    };
    if (op == "send") {
      need(5);
      const int64_t r = endpoint_.send(window(w[1], current), messageNumber(w[2]),
                                       uint64_t(number(w[3])), number(w[4]));
      logLine("send-result " + std::to_string(r));
    } else if (op == "post") {
      need(5);
      const bool ok = endpoint_.post(window(w[1], current), messageNumber(w[2]),
                                     uint64_t(number(w[3])), number(w[4]));
      logLine(std::string("post-result ") + (ok ? "1" : "0"));
    } else if (op == "copy") {
      need(4);
      const std::vector<uint8_t> bytes = parseHex(w[3]);
      const int64_t r =
          endpoint_.sendCopyData(window(w[1], current), uint32_t(number(w[2])), bytes);
      logLine("copy-result " + std::to_string(r));
    } else if (op == "echo") {
      if (!current || !current->copyData) fail("echo outside a copy-data handler");
      const int64_t r = endpoint_.sendCopyData(current->sender, current->copyData->code,
                                               current->copyData->bytes);
      logLine("echo-result " + std::to_string(r));
    } else if (op == "wait") {
      need(2);
      QEventLoop loop;
      QTimer::singleShot(int(number(w[1])), &loop, &QEventLoop::quit);
      loop.exec();
    } else if (op == "caption") {
      need(2);
      endpoint_.setCaption(w[1]);
    } else if (op == "answer") {
      need(3);
      answers_[messageNumber(w[1])] = number(w[2]);
    } else if (op == "on") {
      need(4);
      Reaction r;
      r.msg = messageNumber(w[1]);
      r.anyWParam = w[2] == "*";
      if (!r.anyWParam) r.wParam = uint64_t(number(w[2]));
      r.command.assign(w.begin() + 3, w.end());
      reactions_.push_back(std::move(r));
    } else if (op == "exit") {
      exitCode_ = w.size() > 1 ? int(number(w[1])) : 0;
      exiting_ = true;
      QCoreApplication::exit(exitCode_);  // when inside the event loop
      return false;
    } else if (op == "die") {
      std::_Exit(3);
    } else {
      fail("unknown command " + op);
    }
    return true;
  }

 private:
  WindowHandle window(const std::string& target, const Message* current) const {
    if (target == "sender") return current ? current->sender : 0;
    const size_t bar = target.find('|');
    if (bar == std::string::npos) return platform::findWindow(target);
    return platform::findWindow(target.substr(0, bar), target.substr(bar + 1));
  }

  int64_t receive(const Message& m) {
    if (m.copyData) {
      logLine("copy code=" + std::to_string(m.copyData->code) +
              " bytes=" + hexBytes(m.copyData->bytes) + " from=" + hexHandle(m.sender));
    } else {
      logLine(std::string(m.posted ? "posted" : "sent") + " msg=" + std::to_string(m.msg) +
              " w=" + std::to_string(m.wParam) + " l=" + std::to_string(m.lParam) +
              " from=" + hexHandle(m.sender));
    }
    // A copy: a reaction may add reactions.
    const std::vector<Reaction> reactions = reactions_;
    for (const Reaction& r : reactions) {
      if (r.msg == m.msg && (r.anyWParam || r.wParam == m.wParam)) run(r.command, &m);
    }
    const auto it = answers_.find(m.msg);
    return it != answers_.end() ? it->second : defaultResult_;
  }

  int64_t defaultResult_;
  platform::MessageEndpoint endpoint_;
  std::map<uint32_t, int64_t> answers_;
  std::vector<Reaction> reactions_;
  bool exiting_ = false;
  int exitCode_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> opt;
  for (int i = 1; i + 1 < argc; i += 2) opt[argv[i]] = argv[i + 1];
  if (!opt.count("--class") || !opt.count("--log")) {
    std::fprintf(stderr,
                 "usage: peer_instrument --class C --caption T --log FILE [--message NAME] "
                 "[--script FILE] [--result N]\n");
    return 2;
  }
  gLog = std::fopen(opt["--log"].c_str(), "a");
  if (!gLog) fail("cannot open the log " + opt["--log"]);

  std::vector<std::vector<std::string>> script;
  if (opt.count("--script")) {
    std::ifstream in(opt["--script"]);
    if (!in) fail("cannot read the script " + opt["--script"]);
    for (std::string line; std::getline(in, line);) {
      if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
      if (auto w = words(line); !w.empty()) script.push_back(std::move(w));
    }
  }

  QCoreApplication app(argc, argv);
  Peer peer(opt["--class"], opt["--caption"], opt.count("--result") ? number(opt["--result"]) : 0);
  if (opt.count("--message")) {
    logLine("message " + opt["--message"] + " " +
            std::to_string(platform::registerMessage(opt["--message"])));
  }
  logLine("ready " + hexHandle(peer.handle()));
  // Run before the event loop: nothing is handled before the first wait or send, so the
  // script's answers and reactions are in place for the first message.
  for (const auto& command : script) {
    peer.run(command, nullptr);
    if (peer.exiting()) return peer.exitCode();
  }
  const int code = app.exec();
  return peer.exiting() ? peer.exitCode() : code;
}
