// A notification as the notification page hands it to the client: the values of the
// field commands, each ready to stand in a command address, and the feed's two formats.
#include "service/NotificationFeed.h"

#include "service/PanelQuery.h"
#include "service/WebText.h"

namespace zqs {

FeedEntry MakeFeedEntry(const Notification& n, int stayMs) {
  const Comment& c = n.comment;
  FeedEntry e;
  e.id = n.id;
  e.stayMs = stayMs;
  std::string excerpt = Utf8Prefix(c.text, kNotificationExcerptChars);
  if (excerpt.size() < c.text.size()) excerpt += "...";
  e.message = CommandMessageText(c.author + " on " + c.site + ":\n" + excerpt);
  // Only a web address may be opened by a click: anything else ("javascript:", a file)
  // becomes a notification that only shows its text.
  if (IsWebAddress(c.url)) {
    e.msgType = "murmel";
    e.link = CommandAddress(c.url);
    if (e.link.size() > kMaxNotificationLink) e.link = CommandAddress(SiteOrigin(c.url));
  } else {
    e.msgType = "poke";
  }
  e.contentId = std::to_string(c.id);
  e.contextType = "site";
  e.isSiteMurmel = "true";
  e.keywords = CommandKeyword(c.site) + ";" + CommandKeyword(c.author);
  return e;
}

std::string FeedLines(const std::vector<FeedEntry>& entries) {
  std::string out = "zqfeed\n";
  for (const FeedEntry& e : entries) {
    out += std::to_string(e.id) + '\t' + std::to_string(e.stayMs) + '\t' + e.msgType + '\t' +
           e.message + '\t' + e.link + '\t' + e.contentId + '\t' + e.contextType + '\t' +
           e.isSiteMurmel + '\t' + e.keywords + '\n';
  }
  return out;
}

std::string FeedJson(const std::vector<Notification>& notifications,
                     const std::vector<FeedEntry>& entries) {
  std::string out = "{\"notifications\":[";
  for (std::size_t i = 0; i < notifications.size() && i < entries.size(); ++i) {
    const Comment& c = notifications[i].comment;
    const FeedEntry& e = entries[i];
    if (i) out += ',';
    out += "{\"id\":" + std::to_string(e.id) + ",\"contentId\":" + std::to_string(c.id) +
           ",\"type\":" + JsonString(e.msgType) + ",\"author\":" + JsonString(c.author) +
           ",\"site\":" + JsonString(c.site) + ",\"url\":" + JsonString(c.url) +
           ",\"text\":" + JsonString(c.text) + ",\"message\":" + JsonString(e.message) +
           ",\"link\":" + JsonString(e.link) + ",\"keywords\":" + JsonString(e.keywords) +
           ",\"stayMs\":" + std::to_string(e.stayMs) + "}";
  }
  out += "]}\n";
  return out;
}

}  // namespace zqs
