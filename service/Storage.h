// The service's data in one SQLite file: clients, comments about sites, visits, the
// notifications each client is owed, friends and feedback; versioned schema migrations.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/Database.h"

namespace zqs {

constexpr std::size_t kMaxCommentChars = 4000;
constexpr std::size_t kMaxNameChars = 40;
constexpr std::size_t kMaxFeedbackChars = 8000;

// Input that the service refuses; `status` is the HTTP status that tells why.
class InputError : public std::runtime_error {
 public:
  InputError(int status, const std::string& what) : std::runtime_error(what), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

struct Client {
  std::string id;
  std::string name;
  std::string lastSite;
  std::int64_t lastSeen = 0;
  bool shareLocation = true;
};

struct Comment {
  std::int64_t id = 0;
  std::string site;  // the site key
  std::string url;   // the address as the author's browser reported it
  std::string clientId;
  std::string author;
  std::string text;
  std::int64_t created = 0;
};

struct Notification {
  std::int64_t id = 0;
  Comment comment;
};

struct StorageOptions {
  std::string path;
  int busyTimeoutMs = 3000;
  // When positive, the database may not grow beyond this many pages (a full disk).
  std::int64_t maxPageCount = 0;
  // Seconds since the epoch; replaceable so that tests can move time.
  std::function<std::int64_t()> clock;
};

class Storage {
 public:
  static constexpr int kSchemaVersion = 2;

  // Opens or creates the file and brings its schema up to date; fails with
  // StorageError when the file is newer than this service or cannot be opened.
  explicit Storage(StorageOptions options);
  ~Storage();

  int SchemaVersion();

  // Clients. A registered client gets a random identifier and a unique name.
  Client RegisterClient(const std::string& requested);
  std::optional<Client> FindClient(const std::string& id);
  // Changes the client's name and location sharing; InputError 404 for an unknown
  // client, 409 for a name that another client has.
  void SetProfile(const std::string& id, const std::string& requested, bool share);

  // Notes that the client's panel showed `url`; written at most once a minute per site.
  void RecordVisit(const std::string& clientId, const std::string& url);

  // Stores a comment and, in the same transaction, a notification for every other client
  // that visited the site or counts the author among its friends. InputError 403 for an
  // unknown client, 400 for an empty text or site, 413 for an over-long text.
  std::int64_t AddComment(const std::string& clientId, const std::string& url,
                          const std::string& text);
  std::vector<Comment> CommentsForSite(const std::string& siteKey, int limit);
  std::int64_t CountForSite(const std::string& siteKey);
  std::optional<Comment> FindComment(std::int64_t id);

  // Notifications after both `after` and the client's acknowledged mark, oldest first;
  // an unknown client has none.
  std::vector<Notification> Feed(const std::string& clientId, std::int64_t after, int limit);
  // Moves the client's acknowledged mark forward (never back).
  void Acknowledge(const std::string& clientId, std::int64_t upTo);
  // The client's latest notifications, newest first.
  std::vector<Notification> History(const std::string& clientId, int limit);

  // Friends, named by name or identifier. InputError 404 when there is no such client,
  // 400 for oneself.
  void AddFriend(const std::string& clientId, const std::string& who);
  void RemoveFriend(const std::string& clientId, const std::string& friendId);
  std::vector<Client> Friends(const std::string& clientId);

  void AddFeedback(const std::string& name, const std::string& email, const std::string& text);
  std::int64_t FeedbackCount();

  std::int64_t Now() const;

 private:
  class Lease;
  std::unique_ptr<Database> OpenConnection();
  void Migrate(Database& db);

  StorageOptions options_;
  std::mutex poolMutex_;
  std::vector<std::unique_ptr<Database>> idle_;
};

}  // namespace zqs
