// The service's data in one SQLite file: clients, comments about sites, visits, the
// notifications each client is owed, friends and feedback; versioned schema migrations.
#include "service/Storage.h"

#include <ctime>
#include <random>

#include "service/PanelQuery.h"
#include "service/WebText.h"

namespace zqs {

namespace {

// Each step brings the schema from the version before it to its own; steps are never
// edited once released, only added.
struct Migration {
  int version;
  const char* sql;
};

const Migration kMigrations[] = {
    {1,
     "CREATE TABLE clients("
     "  id TEXT PRIMARY KEY, name TEXT NOT NULL, created INTEGER NOT NULL,"
     "  last_site TEXT NOT NULL DEFAULT '', last_seen INTEGER NOT NULL DEFAULT 0,"
     "  acked INTEGER NOT NULL DEFAULT 0);"
     "CREATE UNIQUE INDEX clients_by_name ON clients(name COLLATE NOCASE);"
     "CREATE TABLE comments("
     "  id INTEGER PRIMARY KEY AUTOINCREMENT, site TEXT NOT NULL, url TEXT NOT NULL,"
     "  client_id TEXT NOT NULL REFERENCES clients(id), text TEXT NOT NULL,"
     "  created INTEGER NOT NULL);"
     "CREATE INDEX comments_by_site ON comments(site, id);"
     "CREATE TABLE visits("
     "  client_id TEXT NOT NULL REFERENCES clients(id), site TEXT NOT NULL,"
     "  last_seen INTEGER NOT NULL, PRIMARY KEY(client_id, site)) WITHOUT ROWID;"
     "CREATE INDEX visits_by_site ON visits(site);"
     "CREATE TABLE notifications("
     "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
     "  client_id TEXT NOT NULL REFERENCES clients(id),"
     "  comment_id INTEGER NOT NULL REFERENCES comments(id), created INTEGER NOT NULL);"
     "CREATE INDEX notifications_by_client ON notifications(client_id, id);"},
    {2,
     "ALTER TABLE clients ADD COLUMN share_location INTEGER NOT NULL DEFAULT 1;"
     "CREATE TABLE friends("
     "  client_id TEXT NOT NULL REFERENCES clients(id),"
     "  friend_id TEXT NOT NULL REFERENCES clients(id),"
     "  PRIMARY KEY(client_id, friend_id)) WITHOUT ROWID;"
     "CREATE TABLE feedback("
     "  id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, email TEXT NOT NULL,"
     "  text TEXT NOT NULL, created INTEGER NOT NULL);"},
};

constexpr std::int64_t kVisitRefreshSeconds = 60;

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \n");
  if (begin == std::string::npos) return std::string();
  std::size_t end = text.find_last_not_of(" \n");
  return text.substr(begin, end - begin + 1);
}

std::string NewClientId() {
  std::random_device device;
  std::uint64_t value = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  static const char kHex[] = "0123456789abcdef";
  std::string id(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) id[static_cast<size_t>(i)] = kHex[value & 0xF];
  return id;
}

std::string CleanName(const std::string& name) {
  std::string clean = Trim(SanitizeText(name, false));
  if (Utf8Length(clean) > kMaxNameChars)
    throw InputError(413,
                     "A name may have at most " + std::to_string(kMaxNameChars) + " characters.");
  return clean;
}

Comment ReadComment(const Statement& st, int first) {
  Comment c;
  c.id = st.Int(first);
  c.site = st.Text(first + 1);
  c.url = st.Text(first + 2);
  c.clientId = st.Text(first + 3);
  c.author = st.Text(first + 4);
  c.text = st.Text(first + 5);
  c.created = st.Int(first + 6);
  return c;
}

#define ZQS_COMMENT_COLUMNS "c.id, c.site, c.url, c.client_id, a.name, c.text, c.created"

bool ClientExists(Database& db, const std::string& id) {
  Statement st = db.Prepare("SELECT 1 FROM clients WHERE id = ?1");
  st.Bind(1, id);
  bool found = st.Step();
  st.Run();
  return found;
}

}  // namespace

// A connection borrowed from the pool for one operation and given back afterwards.
class Storage::Lease {
 public:
  explicit Lease(Storage& storage) : storage_(storage) {
    {
      std::lock_guard<std::mutex> lock(storage_.poolMutex_);
      if (!storage_.idle_.empty()) {
        db_ = std::move(storage_.idle_.back());
        storage_.idle_.pop_back();
      }
    }
    if (!db_) db_ = storage_.OpenConnection();
  }
  ~Lease() {
    db_->ResetStatements();
    std::lock_guard<std::mutex> lock(storage_.poolMutex_);
    storage_.idle_.push_back(std::move(db_));
  }
  Database& operator*() { return *db_; }
  Database* operator->() { return db_.get(); }

 private:
  Storage& storage_;
  std::unique_ptr<Database> db_;
};

Storage::Storage(StorageOptions options) : options_(std::move(options)) {
  std::unique_ptr<Database> db = OpenConnection();
  // The journal mode is kept in the file: readers never wait for the writer.
  db->Exec("PRAGMA journal_mode=WAL");
  Migrate(*db);
  idle_.push_back(std::move(db));
}

Storage::~Storage() = default;

std::unique_ptr<Database> Storage::OpenConnection() {
  auto db = std::make_unique<Database>(options_.path, options_.busyTimeoutMs);
  // FULL: a commit reaches the disk before the answer leaves, so an acknowledged comment
  // survives a power cut as well as a killed process.
  db->Exec("PRAGMA foreign_keys=ON; PRAGMA synchronous=FULL;");
  if (options_.maxPageCount > 0)
    db->Exec("PRAGMA max_page_count=" + std::to_string(options_.maxPageCount));
  return db;
}

void Storage::Migrate(Database& db) {
  int current = static_cast<int>(db.QueryInt("PRAGMA user_version").value_or(0));
  if (current > kSchemaVersion)
    throw StorageError(StorageError::Kind::Other, 0,
                       "the database has schema version " + std::to_string(current) +
                           ", newer than this service's " + std::to_string(kSchemaVersion));
  for (const Migration& m : kMigrations) {
    if (m.version <= current) continue;
    Transaction tx(db);
    // Another process may have migrated between the check and the write lock.
    int now = static_cast<int>(db.QueryInt("PRAGMA user_version").value_or(0));
    if (now < m.version) {
      db.Exec(m.sql);
      db.Exec("PRAGMA user_version=" + std::to_string(m.version));
    }
    tx.Commit();
    current = m.version;
  }
}

int Storage::SchemaVersion() {
  Lease db(*this);
  return static_cast<int>(db->QueryInt("PRAGMA user_version").value_or(0));
}

std::int64_t Storage::Now() const {
  return options_.clock ? options_.clock() : static_cast<std::int64_t>(std::time(nullptr));
}

Client Storage::RegisterClient(const std::string& requested) {
  std::string name = CleanName(requested);
  Lease db(*this);
  Transaction tx(*db);
  Client c;
  c.id = NewClientId();
  while (ClientExists(*db, c.id)) c.id = NewClientId();
  auto taken = [&](const std::string& candidate) {
    Statement st = db->Prepare("SELECT 1 FROM clients WHERE name = ?1 COLLATE NOCASE");
    st.Bind(1, candidate);
    bool found = st.Step();
    st.Run();
    return found;
  };
  if (!name.empty()) {
    if (taken(name)) throw InputError(409, "The name " + name + " is taken.");
    c.name = name;
  } else {
    c.name = "Guest-" + c.id.substr(0, 4);
    for (std::size_t n = 5; taken(c.name) && n <= c.id.size(); ++n)
      c.name = "Guest-" + c.id.substr(0, n);
  }
  Statement st = db->Prepare("INSERT INTO clients(id, name, created) VALUES(?1, ?2, ?3)");
  st.Bind(1, c.id).Bind(2, c.name).Bind(3, Now()).Run();
  tx.Commit();
  return c;
}

std::optional<Client> Storage::FindClient(const std::string& id) {
  Lease db(*this);
  Statement st = db->Prepare(
      "SELECT id, name, last_site, last_seen, share_location FROM clients WHERE id = ?1");
  st.Bind(1, id);
  if (!st.Step()) return std::nullopt;
  Client c{st.Text(0), st.Text(1), st.Text(2), st.Int(3), st.Int(4) != 0};
  st.Run();
  return c;
}

void Storage::SetProfile(const std::string& id, const std::string& requested, bool share) {
  std::string name = CleanName(requested);
  if (name.empty()) throw InputError(400, "Please give a name.");
  Lease db(*this);
  Transaction tx(*db);
  if (!ClientExists(*db, id)) throw InputError(404, "This client is not known to the service.");
  Statement other =
      db->Prepare("SELECT 1 FROM clients WHERE name = ?1 COLLATE NOCASE AND id <> ?2");
  other.Bind(1, name).Bind(2, id);
  bool taken = other.Step();
  other.Run();
  if (taken) throw InputError(409, "The name " + name + " is taken.");
  Statement st = db->Prepare("UPDATE clients SET name = ?2, share_location = ?3 WHERE id = ?1");
  st.Bind(1, id).Bind(2, name).Bind(3, share ? 1 : 0).Run();
  tx.Commit();
}

void Storage::RecordVisit(const std::string& clientId, const std::string& rawUrl) {
  std::string url = Utf8Prefix(SanitizeText(rawUrl, false), kMaxSiteAddress);
  std::string site = SiteKey(url);
  if (clientId.empty() || site.empty()) return;
  const std::int64_t now = Now();
  Lease db(*this);
  {
    // Reading first keeps repeated loads of the same page free of writes.
    Statement st = db->Prepare(
        "SELECT c.last_site, v.last_seen FROM clients c LEFT JOIN visits v"
        " ON v.client_id = c.id AND v.site = ?2 WHERE c.id = ?1");
    st.Bind(1, clientId).Bind(2, site);
    if (!st.Step()) return;  // an unknown client leaves no trace
    bool fresh = st.Text(0) == url && !st.IsNull(1) && now - st.Int(1) < kVisitRefreshSeconds;
    st.Run();
    if (fresh) return;
  }
  Transaction tx(*db);
  if (!ClientExists(*db, clientId)) return;
  Statement visit = db->Prepare(
      "INSERT INTO visits(client_id, site, last_seen) VALUES(?1, ?2, ?3)"
      " ON CONFLICT(client_id, site) DO UPDATE SET last_seen = excluded.last_seen");
  visit.Bind(1, clientId).Bind(2, site).Bind(3, now).Run();
  Statement client = db->Prepare("UPDATE clients SET last_site = ?2, last_seen = ?3 WHERE id = ?1");
  client.Bind(1, clientId).Bind(2, url).Bind(3, now).Run();
  tx.Commit();
}

std::int64_t Storage::AddComment(const std::string& clientId, const std::string& rawUrl,
                                 const std::string& rawText) {
  std::string text = Trim(SanitizeText(rawText, true));
  if (text.empty()) throw InputError(400, "Please write something first.");
  if (Utf8Length(text) > kMaxCommentChars)
    throw InputError(
        413, "A comment may have at most " + std::to_string(kMaxCommentChars) + " characters.");
  std::string url = Trim(Utf8Prefix(SanitizeText(rawUrl, false), kMaxSiteAddress));
  std::string site = SiteKey(url);
  if (site.empty()) throw InputError(400, "There is no site to comment on.");
  const std::int64_t now = Now();

  Lease db(*this);
  Transaction tx(*db);
  if (!ClientExists(*db, clientId))
    throw InputError(403, "This client is not known to the service.");
  Statement insert = db->Prepare(
      "INSERT INTO comments(site, url, client_id, text, created) VALUES(?1, ?2, ?3, ?4, ?5)");
  insert.Bind(1, site).Bind(2, url).Bind(3, clientId).Bind(4, text).Bind(5, now).Run();
  const std::int64_t id = sqlite3_last_insert_rowid(db->handle());
  Statement visit = db->Prepare(
      "INSERT INTO visits(client_id, site, last_seen) VALUES(?1, ?2, ?3)"
      " ON CONFLICT(client_id, site) DO UPDATE SET last_seen = excluded.last_seen");
  visit.Bind(1, clientId).Bind(2, site).Bind(3, now).Run();
  Statement notify = db->Prepare(
      "INSERT INTO notifications(client_id, comment_id, created)"
      " SELECT client_id, ?1, ?2 FROM visits WHERE site = ?3 AND client_id <> ?4"
      " UNION SELECT client_id, ?1, ?2 FROM friends WHERE friend_id = ?4 AND client_id <> ?4"
      " ORDER BY 1");
  notify.Bind(1, id).Bind(2, now).Bind(3, site).Bind(4, clientId).Run();
  tx.Commit();
  return id;
}

std::vector<Comment> Storage::CommentsForSite(const std::string& siteKey, int limit) {
  Lease db(*this);
  Statement st = db->Prepare("SELECT " ZQS_COMMENT_COLUMNS
                             " FROM comments c JOIN clients a ON a.id = c.client_id"
                             " WHERE c.site = ?1 ORDER BY c.id DESC LIMIT ?2");
  st.Bind(1, siteKey).Bind(2, limit);
  std::vector<Comment> out;
  while (st.Step()) out.push_back(ReadComment(st, 0));
  return out;
}

std::int64_t Storage::CountForSite(const std::string& siteKey) {
  Lease db(*this);
  Statement st = db->Prepare("SELECT count(*) FROM comments WHERE site = ?1");
  st.Bind(1, siteKey);
  std::int64_t n = st.Step() ? st.Int(0) : 0;
  st.Run();
  return n;
}

std::optional<Comment> Storage::FindComment(std::int64_t id) {
  Lease db(*this);
  Statement st = db->Prepare("SELECT " ZQS_COMMENT_COLUMNS
                             " FROM comments c JOIN clients a ON a.id = c.client_id"
                             " WHERE c.id = ?1");
  st.Bind(1, id);
  if (!st.Step()) return std::nullopt;
  Comment c = ReadComment(st, 0);
  st.Run();
  return c;
}

std::vector<Notification> Storage::Feed(const std::string& clientId, std::int64_t after,
                                        int limit) {
  Lease db(*this);
  Statement st =
      db->Prepare("SELECT n.id, " ZQS_COMMENT_COLUMNS
                  " FROM notifications n"
                  " JOIN comments c ON c.id = n.comment_id JOIN clients a ON a.id = c.client_id"
                  " WHERE n.client_id = ?1 AND n.id > ?2"
                  " AND n.id > (SELECT acked FROM clients WHERE id = ?1) ORDER BY n.id LIMIT ?3");
  st.Bind(1, clientId).Bind(2, after).Bind(3, limit);
  std::vector<Notification> out;
  while (st.Step()) out.push_back(Notification{st.Int(0), ReadComment(st, 1)});
  return out;
}

void Storage::Acknowledge(const std::string& clientId, std::int64_t upTo) {
  Lease db(*this);
  Transaction tx(*db);
  Statement st = db->Prepare("UPDATE clients SET acked = max(acked, ?2) WHERE id = ?1");
  st.Bind(1, clientId).Bind(2, upTo).Run();
  tx.Commit();
}

std::vector<Notification> Storage::History(const std::string& clientId, int limit) {
  Lease db(*this);
  Statement st =
      db->Prepare("SELECT n.id, " ZQS_COMMENT_COLUMNS
                  " FROM notifications n"
                  " JOIN comments c ON c.id = n.comment_id JOIN clients a ON a.id = c.client_id"
                  " WHERE n.client_id = ?1 ORDER BY n.id DESC LIMIT ?2");
  st.Bind(1, clientId).Bind(2, limit);
  std::vector<Notification> out;
  while (st.Step()) out.push_back(Notification{st.Int(0), ReadComment(st, 1)});
  return out;
}

void Storage::AddFriend(const std::string& clientId, const std::string& who) {
  std::string wanted = Trim(SanitizeText(who, false));
  Lease db(*this);
  Transaction tx(*db);
  if (!ClientExists(*db, clientId))
    throw InputError(404, "This client is not known to the service.");
  Statement find = db->Prepare(
      "SELECT id FROM clients WHERE id = ?1 OR name = ?1 COLLATE NOCASE ORDER BY id = ?1 DESC");
  find.Bind(1, wanted);
  if (wanted.empty() || !find.Step())
    throw InputError(404, "There is nobody called " + wanted + ".");
  std::string friendId = find.Text(0);
  find.Run();
  if (friendId == clientId) throw InputError(400, "You cannot add yourself.");
  Statement st = db->Prepare("INSERT OR IGNORE INTO friends(client_id, friend_id) VALUES(?1, ?2)");
  st.Bind(1, clientId).Bind(2, friendId).Run();
  tx.Commit();
}

void Storage::RemoveFriend(const std::string& clientId, const std::string& friendId) {
  Lease db(*this);
  Transaction tx(*db);
  Statement st = db->Prepare("DELETE FROM friends WHERE client_id = ?1 AND friend_id = ?2");
  st.Bind(1, clientId).Bind(2, friendId).Run();
  tx.Commit();
}

std::vector<Client> Storage::Friends(const std::string& clientId) {
  Lease db(*this);
  Statement st = db->Prepare(
      "SELECT c.id, c.name, c.last_site, c.last_seen, c.share_location FROM friends f"
      " JOIN clients c ON c.id = f.friend_id WHERE f.client_id = ?1"
      " ORDER BY c.name COLLATE NOCASE");
  st.Bind(1, clientId);
  std::vector<Client> out;
  while (st.Step())
    out.push_back(Client{st.Text(0), st.Text(1), st.Text(2), st.Int(3), st.Int(4) != 0});
  return out;
}

void Storage::AddFeedback(const std::string& rawName, const std::string& rawEmail,
                          const std::string& rawText) {
  std::string name = Utf8Prefix(Trim(SanitizeText(rawName, false)), 80);
  std::string email = Utf8Prefix(Trim(SanitizeText(rawEmail, false)), 200);
  std::string text = Trim(SanitizeText(rawText, true));
  if (text.empty()) throw InputError(400, "Please write something first.");
  if (Utf8Length(text) > kMaxFeedbackChars)
    throw InputError(
        413, "A message may have at most " + std::to_string(kMaxFeedbackChars) + " characters.");
  Lease db(*this);
  Transaction tx(*db);
  Statement st =
      db->Prepare("INSERT INTO feedback(name, email, text, created) VALUES(?1, ?2, ?3, ?4)");
  st.Bind(1, name).Bind(2, email).Bind(3, text).Bind(4, Now()).Run();
  tx.Commit();
}

std::int64_t Storage::FeedbackCount() {
  Lease db(*this);
  return db->QueryInt("SELECT count(*) FROM feedback").value_or(0);
}

}  // namespace zqs
