// Tests of the service's storage: schema versions, who is notified of a comment, the
// feed and its acknowledgement, and that a locked or full database leaves no half-
// written record behind.
#include "service/Storage.h"

#include <gtest/gtest.h>

#include <optional>

#include "service/Database.h"
#include "service_test_util.h"

namespace zqs {
namespace {

using test::TempDir;

class StorageTest : public ::testing::Test {
 protected:
  StorageOptions Options(std::int64_t maxPages = 0) {
    StorageOptions o;
    o.path = dir_.File("zq.db");
    o.busyTimeoutMs = 50;
    o.maxPageCount = maxPages;
    o.clock = [this] { return now_; };
    return o;
  }
  // A count from a connection beside the service's, as another process would have.
  std::int64_t Count(const char* sql) {
    return Database(dir_.File("zq.db"), 50).QueryInt(sql).value_or(-1);
  }
  // The kind of storage error a comment on a.com meets; none when it is stored.
  static std::optional<StorageError::Kind> Refusal(Storage& s, const std::string& author,
                                                   const std::string& text) {
    try {
      s.AddComment(author, "http://a.com/", text);
      return std::nullopt;
    } catch (const StorageError& e) {
      return e.kind();
    }
  }

  TempDir dir_;
  std::int64_t now_ = 1700000000;
};

TEST_F(StorageTest, SchemaIsCreatedOnceAndANewerFileIsRefused) {
  std::string id;
  {
    Storage s(Options());
    EXPECT_EQ(s.SchemaVersion(), Storage::kSchemaVersion);
    id = s.RegisterClient("Dana").id;
  }
  EXPECT_EQ(Storage(Options()).FindClient(id).value_or(Client()).name, "Dana") << "kept";
  Database(dir_.File("zq.db"), 50).Exec("PRAGMA user_version=99");
  EXPECT_THROW(Storage s(Options()), StorageError);
}

TEST_F(StorageTest, CommentsNotifyVisitorsAndFriendsButNotTheAuthor) {
  Storage s(Options());
  Client dana = s.RegisterClient("Dana");
  Client eve = s.RegisterClient("eve");
  Client finn = s.RegisterClient("");
  Client gail = s.RegisterClient("Gail");
  EXPECT_EQ(finn.name.rfind("Guest-", 0), 0u);
  EXPECT_THROW(s.RegisterClient("DANA"), InputError);  // names are unique without case

  s.RecordVisit(eve.id, "http://www.example.com/a");
  s.RecordVisit(dana.id, "http://example.com/b");
  s.AddFriend(gail.id, "dana");  // Gail hears of Dana's comments anywhere
  EXPECT_THROW(s.AddFriend(gail.id, "nobody"), InputError);
  EXPECT_THROW(s.AddFriend(gail.id, gail.id), InputError);

  std::int64_t c1 = s.AddComment(dana.id, "http://example.com/c", "first");
  std::int64_t c2 = s.AddComment(dana.id, "http://example.com/d", "second");
  ASSERT_EQ(s.Feed(eve.id, 0, 10).size(), 2u);
  EXPECT_EQ(s.Feed(eve.id, 0, 10)[0].comment.id, c1);
  EXPECT_EQ(s.Feed(eve.id, 0, 10)[1].comment.text, "second");
  EXPECT_EQ(s.Feed(gail.id, 0, 10).size(), 2u);
  EXPECT_TRUE(s.Feed(dana.id, 0, 10).empty());
  EXPECT_TRUE(s.Feed(finn.id, 0, 10).empty());

  // "after" skips what the page delivered; the acknowledged mark outlives the page.
  std::int64_t first = s.Feed(eve.id, 0, 10)[0].id;
  EXPECT_EQ(s.Feed(eve.id, first, 10).size(), 1u);
  s.Acknowledge(eve.id, first);
  s.Acknowledge(eve.id, 0);  // never moves back
  ASSERT_EQ(s.Feed(eve.id, 0, 10).size(), 1u);
  EXPECT_EQ(s.Feed(eve.id, 0, 10)[0].comment.id, c2);
  EXPECT_EQ(s.History(eve.id, 10).size(), 2u);
  EXPECT_EQ(s.CountForSite("example.com"), 2);
}

TEST_F(StorageTest, BadCommentsAreRefusedAndHostileOnesStoredAsText) {
  Storage s(Options());
  Client dana = s.RegisterClient("Dana");
  auto status = [&](const std::string& client, const std::string& url, const std::string& text) {
    try {
      s.AddComment(client, url, text);
      return 200;
    } catch (const InputError& e) {
      return e.status();
    }
  };
  EXPECT_EQ(status(dana.id, "http://a.com/", " \r\n\t "), 400);
  EXPECT_EQ(status(dana.id, "", "hi"), 400);
  EXPECT_EQ(status(dana.id, "http://a.com/", std::string(kMaxCommentChars + 1, 'x')), 413);
  EXPECT_EQ(status(dana.id, "http://a.com/", std::string(kMaxCommentChars, 'x')), 200);

  std::string hostile = "<img src=x onerror=alert(1)>\x01\xFF'; DROP TABLE comments;--";
  std::string longUrl = "http://a.com/" + std::string(3000, 'p');
  std::int64_t id = s.AddComment(dana.id, longUrl, hostile);
  std::optional<Comment> c = s.FindComment(id);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->text, "<img src=x onerror=alert(1)>\xEF\xBF\xBD'; DROP TABLE comments;--");
  EXPECT_EQ(c->url.size(), 2048u);
  EXPECT_EQ(c->site, "a.com");
  EXPECT_EQ(s.CountForSite("a.com"), 2);
}

TEST_F(StorageTest, ALockedDatabaseFailsTheWriteAndKeepsNothingOfIt) {
  Storage s(Options());
  Client dana = s.RegisterClient("Dana");
  Client eve = s.RegisterClient("Eve");
  s.RecordVisit(eve.id, "http://a.com/");
  auto other = std::make_optional<Database>(dir_.File("zq.db"), 50);
  other->Exec("BEGIN EXCLUSIVE");
  EXPECT_EQ(Refusal(s, dana.id, "blocked"), StorageError::Kind::Busy);
  EXPECT_THROW(s.RegisterClient("Finn"), StorageError);
  // Readers are not blocked by a writer.
  EXPECT_EQ(s.CountForSite("a.com"), 0);
  other.reset();  // its transaction rolled back
  EXPECT_EQ(s.CountForSite("a.com"), 0);
  EXPECT_TRUE(s.Feed(eve.id, 0, 10).empty());
  s.AddComment(dana.id, "http://a.com/", "now it goes");
  EXPECT_EQ(s.Feed(eve.id, 0, 10).size(), 1u);
}

TEST_F(StorageTest, AFullDiskLeavesEveryCommentWithAllItsNotificationsOrNotAtAll) {
  std::vector<std::string> readers;
  std::string author;
  {
    Storage s(Options());
    author = s.RegisterClient("Dana").id;
    for (int i = 0; i < 40; ++i) {
      readers.push_back(s.RegisterClient("Reader" + std::to_string(i)).id);
      s.RecordVisit(readers.back(), "http://a.com/");
    }
  }
  // Room for a few more pages only: comments go in until the disk is "full".
  Storage s(Options(Count("PRAGMA page_count") + 6));
  int stored = 0;
  std::optional<StorageError::Kind> refused;
  for (int i = 0; i < 200 && !refused; ++i) {
    refused = Refusal(s, author, std::string(1500, static_cast<char>('a' + i % 26)));
    stored += refused ? 0 : 1;
  }
  ASSERT_EQ(refused, StorageError::Kind::Full);
  ASSERT_GT(stored, 0);
  EXPECT_EQ(Count("SELECT count(*) FROM comments"), stored);
  EXPECT_EQ(Count("SELECT count(*) FROM notifications"), stored * 40);
  EXPECT_EQ(Count("SELECT count(*) FROM comments c WHERE (SELECT count(*) FROM notifications n"
                  " WHERE n.comment_id = c.id) <> 40"),
            0);
  EXPECT_EQ(s.Feed(readers[0], 0, 500).size(), static_cast<size_t>(stored));
}

}  // namespace
}  // namespace zqs
