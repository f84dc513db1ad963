// Pieces of markup that the pages show and that their script calls fetch again: comment
// lists, notification history and friends, every user-supplied text escaped.
#include "service/HtmlFragments.h"

#include <ctime>

#include "service/WebText.h"

namespace zqs {

std::string FormatTime(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  gmtime_r(&t, &parts);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
  return text;
}

std::string MultilineHtml(const std::string& text) {
  std::string escaped = HtmlEscape(text);
  std::string out;
  out.reserve(escaped.size());
  for (char c : escaped) {
    if (c == '\n')
      out += "<br>";
    else
      out += c;
  }
  return out;
}

std::string CommentListHtml(const std::vector<Comment>& comments, std::int64_t highlight) {
  if (comments.empty())
    return "<li class=\"zq-empty\">Nobody has said anything about this site yet. Be the "
           "first!</li>";
  std::string out;
  for (const Comment& c : comments) {
    out += "<li class=\"zq-comment";
    if (c.id == highlight) out += " zq-highlight";
    out += "\" id=\"zqComment" + std::to_string(c.id) + "\"><div class=\"zq-meta\">";
    out += "<span class=\"zq-author\">" + HtmlEscape(c.author) + "</span> ";
    out += "<span class=\"zq-time\">" + FormatTime(c.created) + "</span></div>";
    out += "<div class=\"zq-text\">" + MultilineHtml(c.text) + "</div></li>\n";
  }
  return out;
}

std::string HistoryHtml(const std::vector<Notification>& history) {
  if (history.empty()) return "<li class=\"zq-empty\">Nothing has happened yet.</li>";
  std::string out;
  for (const Notification& n : history) {
    const Comment& c = n.comment;
    out += "<li class=\"zq-event\" id=\"zqEvent" + std::to_string(n.id) + "\">";
    out += "<span class=\"zq-author\">" + HtmlEscape(c.author) + "</span> on ";
    out += "<span class=\"zq-site\">" + HtmlEscape(c.site) + "</span> ";
    out += "<span class=\"zq-time\">" + FormatTime(c.created) + "</span>";
    out += "<div class=\"zq-text\">" + MultilineHtml(c.text) + "</div></li>\n";
  }
  return out;
}

std::string FriendsHtml(const std::vector<Client>& friends, bool removeButtons) {
  if (friends.empty()) return "<li class=\"zq-empty\">No friends yet.</li>";
  std::string out;
  for (const Client& f : friends) {
    out += "<li class=\"zq-friend\"><span class=\"zq-name\">" + HtmlEscape(f.name) + "</span> ";
    if (!f.shareLocation)
      out += "<span class=\"zq-where\">keeps their location to themselves</span>";
    else if (f.lastSite.empty())
      out += "<span class=\"zq-where\">has not been anywhere yet</span>";
    else
      out += "<span class=\"zq-where\">was on <span class=\"zq-site\">" + HtmlEscape(f.lastSite) +
             "</span></span> <span class=\"zq-time\">" + FormatTime(f.lastSeen) + "</span>";
    if (removeButtons)
      out += " <button type=\"button\" class=\"zq-remove\" data-id=\"" + HtmlEscape(f.id) +
             "\">Remove</button>";
    out += "</li>\n";
  }
  return out;
}

}  // namespace zqs
