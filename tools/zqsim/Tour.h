// The guided tour's chapters ("tour", "chapter" and "picture" commands): a picture of the
// desktop at each chapter and one page, index.html, to follow them in a browser.
#pragma once
#include <iosfwd>
#include <string>

namespace zq::sim {

// Where each chapter's number and title is printed as the tour runs (null: only into the
// scenario's output, with the rest).
void SetTourProgress(std::ostream* progress);
// False: pages are never pictured by Chromium, but drawn as labelled boxes (quick runs).
void SetPagePictures(bool on);

// The address where the live reference service serves a page of the client's hosts (its
// real port); empty for other addresses and while the service is down. ServiceCommands.cpp.
std::string LiveServiceAddress(const std::string& url);

}  // namespace zq::sim
