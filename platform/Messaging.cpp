// Transport of the message layer: one listening Unix socket per process, one registry file per
// endpoint, and a poll() loop for the waits of synchronous sends. Layout in Messaging.h.
#include "Messaging.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>

#include "MessagingWire.h"
#include "Streams.h"

namespace platform {

namespace {

constexpr size_t kMaxPendingOutput = 8 * 1024 * 1024;
constexpr size_t kReadChunk = 64 * 1024;

int gSendTimeoutMs = 2000;

uint64_t nowNs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count());
}

int64_t pidOf(WindowHandle h) {
  return int64_t(h >> 32);
}

std::optional<std::vector<uint8_t>> readSmallFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() > 16 * 1024) break;  // far above any record: not ours
  }
  ::close(fd);
  return bytes;
}

// Locks p<pid>.lock without waiting and makes sure the file locked is the one at the path (a
// cleaner may have removed it between open and flock). -1 when another process holds it.
int lockProcess(const std::string& dir, int64_t pid) {
  const std::string path = dir + wire::lockFileName(pid);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return -1;
    }
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return fd;
    }
    ::close(fd);
  }
  return -1;
}

std::vector<std::string> listFolder(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return names;
  while (dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  return names;
}

}  // namespace

class MessageBus : public QObject {
 public:
  static MessageBus& instance();

  bool online() const { return online_; }
  const std::string& dir() const { return dir_; }

  void add(MessageEndpoint* ep);
  void remove(MessageEndpoint* ep);
  void publish(const MessageEndpoint* ep);

  std::vector<WindowInfo> windows();
  int64_t send(WindowHandle to, WindowHandle from, uint32_t msg, uint64_t wParam, int64_t lParam,
               std::optional<CopyData> copyData);
  bool post(WindowHandle to, WindowHandle from, uint32_t msg, uint64_t wParam, int64_t lParam);
  void dispatchFor(int timeoutMs);

 private:
  struct Connection {
    int id = 0;
    int fd = -1;
    int64_t pid = 0;  // the peer's, for the connections this process opened
    bool closed = false;
    wire::FrameReader in;
    std::vector<uint8_t> out;
    size_t outPos = 0;
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    size_t pendingOutput() const { return out.size() - outPos; }
  };
  using ConnectionPtr = std::shared_ptr<Connection>;

  struct Pending {
    int connection = 0;
    uint32_t seq = 0;
    bool done = false;
    int64_t result = 0;
  };

  struct Posted {
    WindowHandle to = 0;
    Message message;
  };

  MessageBus();
  void start();
  void shutdown();
  bool cleanIfDead(int64_t pid);

  ConnectionPtr adopt(int fd, int64_t pid);
  ConnectionPtr connectTo(int64_t pid);
  void close(const ConnectionPtr& c);
  void queueWrite(const ConnectionPtr& c, std::vector<uint8_t> bytes);
  void flush(const ConnectionPtr& c);
  void acceptAll();
  void readAndHandle(const ConnectionPtr& c);
  void handleFrame(const ConnectionPtr& c, wire::Frame f);
  void pump(int timeoutMs);

  int64_t deliver(WindowHandle to, const Message& m, bool* found);
  void enqueuePost(WindowHandle to, Message m);
  void drainPosts();

  bool started_ = false;
  bool online_ = false;
  int64_t pid_ = 0;
  std::string dir_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  QSocketNotifier* listenNotifier_ = nullptr;
  uint32_t nextEndpoint_ = 0;
  uint64_t lastCreated_ = 0;
  uint32_t nextSeq_ = 0;
  int nextConnection_ = 0;
  struct Local {
    MessageEndpoint* endpoint = nullptr;
    uint64_t created = 0;
  };
  std::map<WindowHandle, Local> endpoints_;
  std::map<int, ConnectionPtr> connections_;
  std::unordered_map<int64_t, ConnectionPtr> outgoing_;
  std::vector<Pending*> pending_;
  std::deque<Posted> posted_;
  bool drainScheduled_ = false;
};

// --- Rendezvous folder

std::string rendezvousPath() {
  if (const char* dir = std::getenv("ZK_RENDEZVOUS_DIR"); dir && *dir) return dir;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) {
    return std::string(run) + "/zeridaz";
  }
  return "/tmp/zeridaz-" + std::to_string(geteuid());
}

bool prepareRendezvousDir(const std::string& path, std::string* why) {
  auto refuse = [&](const std::string& reason) {
    if (why) *why = path + ": " + reason;
    return false;
  };
  if (path.empty()) return refuse("no folder");
  if (::mkdir(path.c_str(), 0700) == 0) {
    ::chmod(path.c_str(), 0700);  // whatever the umask took away
  } else if (errno != EEXIST) {
    return refuse(std::strerror(errno));
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return refuse(std::strerror(errno));
  if (!S_ISDIR(st.st_mode)) return refuse("not a directory");
  if (st.st_uid != geteuid()) return refuse("owned by another user");
  if ((st.st_mode & 07777) != 0700) return refuse("mode is not 0700");
  return true;
}

std::string rendezvousDir() {
  return MessageBus::instance().dir();
}

// --- Registered messages

uint32_t registerMessage(const std::string& name) {
  uint32_t h = 0x811C9DC5u;
  for (unsigned char c : name) {
    if (c >= 'A' && c <= 'Z') c = uint8_t(c - 'A' + 'a');
    h ^= c;
    h *= 0x01000193u;
  }
  return 0xC000u | ((h ^ (h >> 16)) & 0x3FFFu);
}

// --- The bus

MessageBus& MessageBus::instance() {
  // Never destroyed: shutdown() runs from the application's post routine or at exit.
  static MessageBus* bus = [] {
    auto* b = new MessageBus;
    b->start();
    return b;
  }();
  return *bus;
}

MessageBus::MessageBus() : pid_(::getpid()) {}

void MessageBus::start() {
  started_ = true;
  const std::string path = rendezvousPath();
  std::string why;
  if (!prepareRendezvousDir(path, &why)) {
    qWarning("Window messages stay inside this program: %s", why.c_str());
    return;
  }
  const std::string dir = path.back() == '/' ? path : path + '/';
  const std::string sockPath = dir + wire::socketFileName(pid_);
  sockaddr_un addr{};
  if (sockPath.size() >= sizeof addr.sun_path) {
    qWarning("Window messages stay inside this program: %s is too long", sockPath.c_str());
    return;
  }
  lockFd_ = lockProcess(dir, pid_);
  if (lockFd_ < 0) {
    qWarning("Window messages stay inside this program: %s%s is held", dir.c_str(),
             wire::lockFileName(pid_).c_str());
    return;
  }
  // Files left by an earlier process with this pid; ours to remove now that we hold the lock.
  ::unlink(sockPath.c_str());
  for (const std::string& name : listFolder(dir)) {
    const WindowHandle h = wire::handleOfFileName(name);
    if (h && pidOf(h) == pid_) ::unlink((dir + name).c_str());
  }
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, sockPath.c_str(), sockPath.size() + 1);
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::chmod(sockPath.c_str(), 0600) != 0 || ::listen(listenFd_, 64) != 0) {
    qWarning("Window messages stay inside this program: %s: %s", sockPath.c_str(),
             std::strerror(errno));
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    ::unlink(sockPath.c_str());
    ::unlink((dir + wire::lockFileName(pid_)).c_str());
    ::close(lockFd_);
    lockFd_ = -1;
    return;
  }
  dir_ = dir;
  online_ = true;
  if (QCoreApplication::instance()) {
    listenNotifier_ = new QSocketNotifier(qintptr(listenFd_), QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, [this] { acceptAll(); });
    qAddPostRoutine([] { MessageBus::instance().shutdown(); });
  }
  std::atexit([] { MessageBus::instance().shutdown(); });
}

void MessageBus::shutdown() {
  if (!online_) return;
  online_ = false;
  for (auto& [id, c] : std::map<int, ConnectionPtr>(connections_)) close(c);
  for (auto& [h, local] : endpoints_) ::unlink((dir_ + wire::windowFileName(h)).c_str());
  delete listenNotifier_;
  listenNotifier_ = nullptr;
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink((dir_ + wire::socketFileName(pid_)).c_str());
  ::unlink((dir_ + wire::lockFileName(pid_)).c_str());
  ::close(lockFd_);
  lockFd_ = -1;
}

// Removes the files of a process that no longer holds its lock. False while it lives.
bool MessageBus::cleanIfDead(int64_t pid) {
  const int fd = lockProcess(dir_, pid);
  if (fd < 0) return false;
  ::unlink((dir_ + wire::socketFileName(pid)).c_str());
  for (const std::string& name : listFolder(dir_)) {
    const WindowHandle h = wire::handleOfFileName(name);
    if (h && pidOf(h) == pid) ::unlink((dir_ + name).c_str());
  }
  ::unlink((dir_ + wire::lockFileName(pid)).c_str());
  ::close(fd);
  return true;
}

void MessageBus::add(MessageEndpoint* ep) {
  ep->handle_ = (WindowHandle(uint32_t(pid_)) << 32) | ++nextEndpoint_;
  // Strictly increasing, so that the newest of two quick creations is well defined.
  lastCreated_ = std::max(nowNs(), lastCreated_ + 1);
  endpoints_[ep->handle_] = {ep, lastCreated_};
  publish(ep);
}

void MessageBus::remove(MessageEndpoint* ep) {
  endpoints_.erase(ep->handle_);
  if (online_) ::unlink((dir_ + wire::windowFileName(ep->handle_)).c_str());
}

void MessageBus::publish(const MessageEndpoint* ep) {
  if (!online_) return;
  wire::WindowRecord r;
  r.handle = ep->handle_;
  r.pid = int32_t(pid_);
  r.created = endpoints_[ep->handle_].created;
  r.windowClass = ep->class_.substr(0, wire::kMaxRecordString);
  r.caption = ep->caption_.substr(0, wire::kMaxRecordString);
  r.socketName = wire::socketFileName(pid_);
  const std::vector<uint8_t> bytes = wire::encodeWindowRecord(r);
  const std::string name = wire::windowFileName(ep->handle_);
  const std::string temp = dir_ + "." + name + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  ::close(fd);
  if (done != bytes.size() || ::rename(temp.c_str(), (dir_ + name).c_str()) != 0) {
    ::unlink(temp.c_str());
  }
}

std::vector<WindowInfo> MessageBus::windows() {
  std::vector<std::pair<uint64_t, WindowInfo>> found;
  for (auto& [h, local] : endpoints_) {
    found.push_back({local.created, {h, pid_, local.endpoint->class_, local.endpoint->caption_}});
  }
  if (online_) {
    std::unordered_map<int64_t, bool> alive;
    for (const std::string& name : listFolder(dir_)) {
      const WindowHandle h = wire::handleOfFileName(name);
      const int64_t pid = pidOf(h);
      if (!h || pid == pid_) continue;
      auto it = alive.find(pid);
      if (it == alive.end()) it = alive.emplace(pid, !cleanIfDead(pid)).first;
      if (!it->second) continue;
      auto bytes = readSmallFile(dir_ + name);
      if (!bytes) continue;
      try {
        wire::WindowRecord r = wire::decodeWindowRecord(std::move(*bytes));
        if (r.handle != h) continue;
        found.push_back({r.created, {h, pid, std::move(r.windowClass), std::move(r.caption)}});
      } catch (const StreamError&) {
        // Not a record of ours: ignored, and left alone.
      }
    }
  }
  // Newest first: the one a class lookup answers.
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<WindowInfo> out;
  out.reserve(found.size());
  for (auto& f : found) out.push_back(std::move(f.second));
  return out;
}

// --- Connections

MessageBus::ConnectionPtr MessageBus::adopt(int fd, int64_t pid) {
  auto c = std::make_shared<Connection>();
  c->id = ++nextConnection_;
  c->fd = fd;
  c->pid = pid;
  connections_[c->id] = c;
  if (QCoreApplication::instance()) {
    c->readNotifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    std::weak_ptr<Connection> weak = c;
    connect(c->readNotifier, &QSocketNotifier::activated, this, [this, weak] {
      if (auto conn = weak.lock()) readAndHandle(conn);
    });
    c->writeNotifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Write, this);
    c->writeNotifier->setEnabled(false);
    connect(c->writeNotifier, &QSocketNotifier::activated, this, [this, weak] {
      if (auto conn = weak.lock()) flush(conn);
    });
  }
  return c;
}

MessageBus::ConnectionPtr MessageBus::connectTo(int64_t pid) {
  if (auto it = outgoing_.find(pid); it != outgoing_.end() && !it->second->closed) {
    return it->second;
  }
  if (!online_) return nullptr;
  const std::string path = dir_ + wire::socketFileName(pid);
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return nullptr;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  // Non-blocking: a peer too hung to drain its backlog refuses at once instead of blocking us.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return nullptr;
  int rc;
  do {
    rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0 || !wire::peerIsCurrentUser(fd)) {
    ::close(fd);
    return nullptr;
  }
  ConnectionPtr c = adopt(fd, pid);
  outgoing_[pid] = c;
  return c;
}

void MessageBus::close(const ConnectionPtr& c) {
  if (c->closed) return;
  c->closed = true;
  for (QSocketNotifier* n : {c->readNotifier, c->writeNotifier}) {
    if (!n) continue;
    n->setEnabled(false);
    n->deleteLater();  // it may be the one whose signal is running
  }
  c->readNotifier = c->writeNotifier = nullptr;
  ::close(c->fd);
  c->fd = -1;
  connections_.erase(c->id);
  if (auto it = outgoing_.find(c->pid); it != outgoing_.end() && it->second == c) {
    outgoing_.erase(it);
  }
  for (Pending* p : pending_) {
    if (p->connection == c->id) p->done = true;  // result stays 0
  }
}

void MessageBus::queueWrite(const ConnectionPtr& c, std::vector<uint8_t> bytes) {
  if (c->pendingOutput() == 0) {
    c->out = std::move(bytes);
    c->outPos = 0;
  } else {
    c->out.insert(c->out.end(), bytes.begin(), bytes.end());
  }
  flush(c);
}

void MessageBus::flush(const ConnectionPtr& c) {
  while (!c->closed && c->pendingOutput() > 0) {
    const std::span<const uint8_t> rest = std::span<const uint8_t>(c->out).subspan(c->outPos);
    const ssize_t n = ::send(c->fd, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (n > 0) {
      c->outPos += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    close(c);
    return;
  }
  if (c->closed) return;
  if (c->pendingOutput() == 0) {
    c->out.clear();
    c->outPos = 0;
  }
  if (c->writeNotifier) c->writeNotifier->setEnabled(c->pendingOutput() > 0);
}

void MessageBus::acceptAll() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (!wire::peerIsCurrentUser(fd)) {
      ::close(fd);
      continue;
    }
    adopt(fd, 0);
  }
}

void MessageBus::readAndHandle(const ConnectionPtr& c) {
  if (c->closed) return;
  static std::vector<uint8_t> chunk(kReadChunk);
  const ssize_t n = ::recv(c->fd, chunk.data(), chunk.size(), 0);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    close(c);
    return;
  }
  if (n < 0) return;
  c->in.append(std::span<const uint8_t>(chunk).first(size_t(n)));
  // Each frame leaves the buffer before it is acted on: a handler's nested wait reads on.
  try {
    while (!c->closed) {
      std::optional<std::vector<uint8_t>> body = c->in.next();
      if (!body) break;
      handleFrame(c, wire::decode(std::move(*body)));
    }
  } catch (const StreamError& e) {
    qWarning("Window messages: dropping a connection: %s", e.what());
    close(c);
  }
}

void MessageBus::handleFrame(const ConnectionPtr& c, wire::Frame f) {
  switch (f.kind) {
    case wire::Kind::Reply:
      for (Pending* p : pending_) {
        if (p->connection == c->id && p->seq == f.seq && !p->done) {
          p->done = true;
          p->result = f.status == wire::Status::Handled ? f.result : 0;
        }
      }
      return;  // a late reply has nobody waiting: dropped
    case wire::Kind::Post: {
      Message m{f.msg, f.wParam, f.lParam, f.from, true, std::nullopt};
      enqueuePost(f.to, std::move(m));
      return;
    }
    case wire::Kind::Send: {
      Message m{f.msg, f.wParam, f.lParam, f.from, false, std::move(f.copyData)};
      bool found = false;
      int64_t result = 0;
      try {
        result = deliver(f.to, m, &found);
      } catch (const std::exception& e) {
        qWarning("Window messages: a handler failed: %s", e.what());
      }
      if (c->closed) return;
      wire::Frame reply;
      reply.kind = wire::Kind::Reply;
      reply.seq = f.seq;
      reply.status = found ? wire::Status::Handled : wire::Status::NoWindow;
      reply.result = found ? result : 0;
      queueWrite(c, wire::encode(reply));
      return;
    }
  }
}

void MessageBus::pump(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<ConnectionPtr> conns;
  fds.reserve(connections_.size() + 1);
  if (listenFd_ >= 0) fds.push_back({listenFd_, POLLIN, 0});
  for (auto& [id, c] : connections_) {
    short events = POLLIN;
    if (c->pendingOutput() > 0) events |= POLLOUT;
    fds.push_back({c->fd, events, 0});
    conns.push_back(c);
  }
  int rc;
  do {
    rc = ::poll(fds.data(), nfds_t(fds.size()), timeoutMs);
  } while (rc < 0 && errno == EINTR);
  if (rc <= 0) return;
  size_t i = 0;
  if (listenFd_ >= 0) {
    if (fds[0].revents & POLLIN) acceptAll();
    i = 1;
  }
  for (size_t k = 0; k < conns.size(); ++k, ++i) {
    const ConnectionPtr& c = conns[k];
    if (c->closed || fds[i].revents == 0) continue;
    if (fds[i].revents & POLLOUT) flush(c);
    if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) readAndHandle(c);
  }
}

// --- Delivery

int64_t MessageBus::deliver(WindowHandle to, const Message& m, bool* found) {
  auto it = endpoints_.find(to);
  *found = it != endpoints_.end();
  if (!*found || !it->second.endpoint->handler_) return 0;
  return it->second.endpoint->handler_(m);
}

void MessageBus::enqueuePost(WindowHandle to, Message m) {
  posted_.push_back({to, std::move(m)});
  if (!drainScheduled_ && QCoreApplication::instance()) {
    drainScheduled_ = true;
    QMetaObject::invokeMethod(
        this, [this] { drainPosts(); }, Qt::QueuedConnection);
  }
}

void MessageBus::drainPosts() {
  drainScheduled_ = false;
  while (!posted_.empty()) {
    Posted p = std::move(posted_.front());
    posted_.pop_front();
    bool found = false;
    try {
      deliver(p.to, p.message, &found);
    } catch (const std::exception& e) {
      qWarning("Window messages: a handler failed: %s", e.what());
    }
  }
}

int64_t MessageBus::send(WindowHandle to, WindowHandle from, uint32_t msg, uint64_t wParam,
                         int64_t lParam, std::optional<CopyData> copyData) {
  if (!to) return 0;
  if (pidOf(to) == pid_) {
    bool found = false;
    return deliver(to, Message{msg, wParam, lParam, from, false, std::move(copyData)}, &found);
  }
  ConnectionPtr c = connectTo(pidOf(to));
  if (!c) return 0;
  wire::Frame f;
  f.kind = wire::Kind::Send;
  f.seq = ++nextSeq_;
  f.to = to;
  f.from = from;
  f.msg = msg;
  f.wParam = wParam;
  f.lParam = lParam;
  f.copyData = std::move(copyData);
  Pending p{c->id, f.seq, false, 0};
  pending_.push_back(&p);
  queueWrite(c, wire::encode(f));
  const QDeadlineTimer deadline(gSendTimeoutMs);
  while (!p.done && !c->closed) {
    const qint64 left = deadline.remainingTime();
    if (left <= 0) break;
    pump(int(left));
  }
  std::erase(pending_, &p);
  // No answer in time: the peer is hung. A fresh connection keeps its late reply away.
  if (!p.done) close(c);
  return p.result;
}

bool MessageBus::post(WindowHandle to, WindowHandle from, uint32_t msg, uint64_t wParam,
                      int64_t lParam) {
  if (!to) return false;
  if (pidOf(to) == pid_) {
    if (!endpoints_.count(to)) return false;
    enqueuePost(to, Message{msg, wParam, lParam, from, true, std::nullopt});
    return true;
  }
  ConnectionPtr c = connectTo(pidOf(to));
  if (!c || c->pendingOutput() > kMaxPendingOutput) return false;
  wire::Frame f;
  f.kind = wire::Kind::Post;
  f.to = to;
  f.from = from;
  f.msg = msg;
  f.wParam = wParam;
  f.lParam = lParam;
  queueWrite(c, wire::encode(f));
  return !c->closed;
}

void MessageBus::dispatchFor(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    const qint64 left = deadline.remainingTime();
    if (left <= 0) return;
    pump(int(left));
  }
}

// --- Public functions

MessageEndpoint::MessageEndpoint(std::string windowClass, std::string caption, Handler handler)
    : class_(std::move(windowClass)), caption_(std::move(caption)), handler_(std::move(handler)) {
  MessageBus::instance().add(this);
}

MessageEndpoint::~MessageEndpoint() {
  MessageBus::instance().remove(this);
}

void MessageEndpoint::setCaption(std::string caption) {
  caption_ = std::move(caption);
  MessageBus::instance().publish(this);
}

int64_t MessageEndpoint::send(WindowHandle to, uint32_t msg, uint64_t wParam,
                              int64_t lParam) const {
  return sendMessage(to, msg, wParam, lParam, handle_);
}

bool MessageEndpoint::post(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam) const {
  return postMessage(to, msg, wParam, lParam, handle_);
}

int64_t MessageEndpoint::sendCopyData(WindowHandle to, uint32_t code,
                                      std::span<const uint8_t> bytes) const {
  return platform::sendCopyData(to, handle_, code, bytes);
}

WindowHandle findWindow(const std::string& windowClass) {
  for (const WindowInfo& w : MessageBus::instance().windows()) {
    if (w.windowClass == windowClass) return w.handle;
  }
  return 0;
}

WindowHandle findWindow(const std::string& windowClass, const std::string& caption) {
  for (const WindowInfo& w : MessageBus::instance().windows()) {
    if (w.windowClass == windowClass && w.caption == caption) return w.handle;
  }
  return 0;
}

std::vector<WindowInfo> listWindows() {
  return MessageBus::instance().windows();
}

bool isWindow(WindowHandle window) {
  if (!window) return false;
  for (const WindowInfo& w : MessageBus::instance().windows()) {
    if (w.handle == window) return true;
  }
  return false;
}

int64_t sendMessage(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam,
                    WindowHandle from) {
  return MessageBus::instance().send(to, from, msg, wParam, lParam, std::nullopt);
}

int64_t sendCopyData(WindowHandle to, WindowHandle from, uint32_t code,
                     std::span<const uint8_t> bytes) {
  if (bytes.size() > kMaxCopyData) return 0;
  return MessageBus::instance().send(to, from, WM_COPYDATA, from, 0,
                                     CopyData{code, {bytes.begin(), bytes.end()}});
}

bool postMessage(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam,
                 WindowHandle from) {
  return MessageBus::instance().post(to, from, msg, wParam, lParam);
}

void dispatchSentMessages(int timeoutMs) {
  MessageBus::instance().dispatchFor(timeoutMs);
}

int sendTimeout() {
  return gSendTimeoutMs;
}

void setSendTimeout(int ms) {
  gSendTimeoutMs = ms > 0 ? ms : 1;
}

}  // namespace platform
