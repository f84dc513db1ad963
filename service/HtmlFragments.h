// Pieces of markup that the pages show and that their script calls fetch again: comment
// lists, notification history and friends, every user-supplied text escaped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/Storage.h"

namespace zqs {

// "2024-05-01 12:34 UTC".
std::string FormatTime(std::int64_t secondsSinceEpoch);

// Escaped text whose line breaks become <br>.
std::string MultilineHtml(const std::string& text);

// The comments as list items; the one numbered `highlight` is marked.
std::string CommentListHtml(const std::vector<Comment>& comments, std::int64_t highlight);

std::string HistoryHtml(const std::vector<Notification>& history);

// Friends and where they are; with removeButtons, each item has a button carrying the
// friend's identifier in its data-id attribute.
std::string FriendsHtml(const std::vector<Client>& friends, bool removeButtons);

}  // namespace zqs
