// Tests of the zqservice executable: it prints where it listens, refuses bad options,
// and, stopped by a signal or killed in the middle of a stream of posts, keeps every
// comment it answered and a sound database file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "service/Database.h"
#include "service_test_util.h"

namespace zqs {
namespace {

// zqservice run as a child process, its standard output read until it names its ports.
class ServiceProcess {
 public:
  explicit ServiceProcess(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv{const_cast<char*>(ZQSERVICE_EXE)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(ZQSERVICE_EXE, argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = fdopen(out[0], "r");
  }
  ~ServiceProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_) fclose(out_);
  }
  // Reads lines until both addresses are printed; false when the process ends first.
  bool ReadPorts() {
    char line[512];
    while (fgets(line, sizeof line, out_)) {
      output_ += line;
      std::string l(line);
      auto port = [&l] { return std::stoi(l.substr(l.rfind(':') + 1)); };
      if (l.rfind("Application host: ", 0) == 0) appPort = port();
      if (l.rfind("Public web host: ", 0) == 0) webPort = port();
      if (appPort && webPort) return true;
    }
    return false;
  }
  void Signal(int sig) { kill(pid_, sig); }
  // The exit status (or 128 + the signal that ended it) and the rest of its output.
  int Wait() {
    char line[512];
    while (out_ && fgets(line, sizeof line, out_)) output_ += line;
    int status = 0;
    waitpid(pid_, &status, 0);
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& output() const { return output_; }
  int appPort = 0;
  int webPort = 0;

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  std::string output_;
  bool exited_ = false;
};

// A bad option and a taken port are start-up failures, not silent ones.
TEST(ServiceProcess, RefusesABadOptionAndATakenPort) {
  test::TempDir dir;
  ServiceProcess bad({"--app-port", "eighty"});
  EXPECT_EQ(bad.Wait(), 2);
  ServiceProcess first({"--app-port", "0", "--web-port", "0", "--db", dir.File("a.db")});
  ASSERT_TRUE(first.ReadPorts());
  EXPECT_EQ(httplib::Client("127.0.0.1", first.webPort).Get("/AboutUs.aspx")->status, 200);
  ServiceProcess second(
      {"--app-port", std::to_string(first.appPort), "--web-port", "0", "--db", dir.File("b.db")});
  EXPECT_EQ(second.Wait(), 1);
}

// Posts comments from several connections until the service is stopped or killed, then
// checks the database file: sound, and holding every comment that was answered with success.
class ServiceStopped : public ::testing::TestWithParam<int> {};

TEST_P(ServiceStopped, InTheMiddleOfPostsItKeepsEveryAnsweredComment) {
  const int stopSignal = GetParam();
  test::TempDir dir;
  const std::string db = dir.File("zq.db");
  ServiceProcess p({"--app-port", "0", "--web-port", "0", "--db", db});
  ASSERT_TRUE(p.ReadPorts()) << p.output();
  httplib::Client setup("127.0.0.1", p.appPort);
  auto reg = setup.Post("/Panel/api/register", "name=Dana", "application/x-www-form-urlencoded");
  ASSERT_TRUE(reg && reg->status == 200);
  const std::string client = reg->body.substr(3, 16);

  std::mutex mutex;
  std::set<std::string> answered;
  std::atomic<int> attempts{0};
  std::vector<std::thread> posters;
  for (int t = 0; t < 6; ++t) {
    posters.emplace_back([&, t] {
      httplib::Client app("127.0.0.1", p.appPort);
      app.set_connection_timeout(2);
      app.set_read_timeout(5);
      for (int i = 0; i < 400; ++i) {
        std::string text = "comment " + std::to_string(t) + "-" + std::to_string(i);
        httplib::Params form{{"client", client}, {"url", "http://a.com/"}, {"text", text}};
        ++attempts;
        auto res = app.Post("/Panel/api/comment", form);
        if (!res) break;  // the service is gone
        if (res->status == 200) {
          std::lock_guard<std::mutex> lock(mutex);
          answered.insert(text);
        }
      }
    });
  }
  while (attempts < 60) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  p.Signal(stopSignal);
  for (std::thread& t : posters) t.join();
  int status = p.Wait();
  EXPECT_EQ(status, stopSignal == SIGKILL ? 128 + SIGKILL : 0) << p.output();
  EXPECT_EQ(p.output().find("zqservice: stopped") != std::string::npos, stopSignal != SIGKILL);
  ASSERT_FALSE(answered.empty());

  Database stored(db, 100);
  EXPECT_EQ(
      stored.QueryInt("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'")
          .value_or(-1),
      0);
  for (const std::string& text : answered) {
    Statement find = stored.Prepare("SELECT count(*) FROM comments WHERE text = ?");
    ASSERT_TRUE(find.Bind(1, text).Step());
    EXPECT_EQ(find.Int(0), 1) << "lost: " << text;
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, ServiceStopped, ::testing::Values(SIGINT, SIGTERM, SIGKILL));

}  // namespace
}  // namespace zqs
