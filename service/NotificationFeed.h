// A notification as the notification page hands it to the client: the values of the
// field commands, each ready to stand in a command address, and the feed's two formats.
#pragma once

#include <string>
#include <vector>

#include "service/Storage.h"

namespace zqs {

// Longest comment excerpt in a notification; a command address must stay well inside
// the 2083 characters that the old control accepts.
constexpr std::size_t kNotificationExcerptChars = 200;
// Longest link handed over whole; a longer address is replaced by its site's origin.
constexpr std::size_t kMaxNotificationLink = 1500;

struct FeedEntry {
  std::int64_t id = 0;      // the notification, for the page's acknowledgement
  int stayMs = 0;           // "shownotificationmsg"
  std::string msgType;      // "murmel" for a comment on a web address, else "poke"
  std::string message;      // "nextnotificationmsg"
  std::string link;         // "nextnotificationlink"; empty for a "poke"
  std::string contentId;    // the comment's number
  std::string contextType;  // "site"
  std::string isSiteMurmel;
  std::string keywords;  // "nextnotificationcontext": site and author, ";" between
};

FeedEntry MakeFeedEntry(const Notification& n, int stayMs);

// For the notification page: a first line "zqfeed", then one line per notification with
// the fields in FeedEntry's order separated by tabs (no value holds a tab or line break).
std::string FeedLines(const std::vector<FeedEntry>& entries);

// For scripts and tests: the same notifications with the comment's own texts.
std::string FeedJson(const std::vector<Notification>& notifications,
                     const std::vector<FeedEntry>& entries);

}  // namespace zqs
