// The tour's commands: "tour DIR", "chapter TITLE...", "chapter picture", "tour end" and
// "picture FILE". Each chapter keeps the lines of the trace that tell what happened and a
// picture of the desktop; "tour end" writes DIR/index.html, the page that follows them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_desktop.h"
#include "tools/zqsim/PageCamera.h"
#include "tools/zqsim/Picture.h"
#include "tools/zqsim/Scenario.h"
#include "tools/zqsim/Svg.h"
#include "tools/zqsim/Tour.h"

namespace zq::sim {

namespace {

namespace fs = std::filesystem;

constexpr size_t kShownLines = 8;   // trace lines shown per chapter
constexpr size_t kLineChars = 130;  // a shown line is cut there

struct Chapter {
  int number = 0;
  std::string title;
  std::vector<std::string> story;  // the script's own words (its echo lines)
  std::vector<std::string> trace;  // what happened, as traced
  std::string picture;             // the SVG's file name in the tour's folder; empty: none
};

struct TourState {
  std::string dir;  // empty: no tour
  std::vector<Chapter> chapters;
  bool open = false;  // the last chapter has not ended
  std::ostream* progress = nullptr;
  bool pages = true;
  std::unique_ptr<ChromiumCamera> camera;
  std::ofstream trace;  // every trace line of the tour, in DIR/trace.txt
  bool tapped = false;  // the desktop's trace reaches the tour
};

TourState& Tour() {
  static TourState tour;
  return tour;
}

ChromiumCamera* Camera() {
  TourState& t = Tour();
  if (!t.pages) return nullptr;
  if (!t.camera) t.camera = std::make_unique<ChromiumCamera>();
  return t.camera->Available() ? t.camera.get() : nullptr;
}

PictureOptions Options() {
  PictureOptions o;
  o.camera = Camera();
  o.loadFrom = &LiveServiceAddress;
  if (!o.camera)
    o.note = Tour().pages ? "Chromium was not found (" + ChromiumCamera().Binary() +
                                "): pages are drawn as labelled boxes"
                          : "Pages are drawn as labelled boxes (Chromium left out)";
  return o;
}

bool TakePicture(Scenario& s, const std::string& file) {
  std::string said;
  if (!WritePicture(s.desktop(), file, Options(), Camera(), said)) {
    s.out() << "error: cannot write " << file << "\n";
    return false;
  }
  s.out() << "picture: " << file << " " << said << "\n";
  return true;
}

// A trace line without its time stamp.
std::string Unstamped(const std::string& line) {
  size_t end = line.rfind("] ", 14);
  return line.rfind('[', 0) == 0 && end != std::string::npos ? line.substr(end + 2) : line;
}

// Lines that tell nothing a reader of the chapter needs: blank pages loaded between real
// ones, taskbar buttons, helper objects made and released, the pages' command addresses,
// the fake browsers' own process.
bool IsNoise(const std::string& line) {
  static const char* const kNoise[] = {
      "\"about:blank\"", " at about:blank", "removes the taskbar button",
      ": created",       ": quits",         ": released",
      ": shows window",  "to \"zqwndcmd:",  " moves to ",
      "browsers.exe"};
  for (const char* noise : kNoise)
    if (line.find(noise) != std::string::npos) return true;
  return false;
}

// A line cut to a readable length; long queries in addresses become "?...".
std::string Readable(std::string line) {
  for (size_t q = line.find('?'); q != std::string::npos; q = line.find('?', q + 1)) {
    size_t end = line.find_first_of("\" ", q);
    if (end == std::string::npos) end = line.size();
    if (end - q > 24) line.replace(q, end - q, "?\u2026");
  }
  return line.size() > kLineChars ? line.substr(0, kLineChars - 3) + "..." : line;
}

// The chapter's lines that matter: noise left out, each text once.
std::vector<std::string> Highlights(const Chapter& c) {
  std::vector<std::string> shown;
  std::set<std::string> seen;
  for (const std::string& line : c.trace) {
    if (IsNoise(line) || !seen.insert(Unstamped(line)).second) continue;
    shown.push_back(Readable(line));
  }
  return shown;
}

void PictureOf(Scenario& s, Chapter& c) {
  char name[32];
  std::snprintf(name, sizeof name, "chapter-%02d.svg", c.number);
  c.picture = TakePicture(s, (fs::path(Tour().dir) / name).string()) ? name : "";
}

// Ends the open chapter; its picture is taken now unless the script took it already.
void CloseChapter(Scenario& s) {
  TourState& t = Tour();
  if (!t.open) return;
  t.open = false;
  if (t.chapters.back().picture.empty()) PictureOf(s, t.chapters.back());
}

std::string ChapterHtml(const Chapter& c) {
  std::string html = "<section id=\"chapter-" + std::to_string(c.number) + "\">\n<h2>" +
                     std::to_string(c.number) + ". " + XmlEscaped(c.title) + "</h2>\n";
  html += "<div>\n";
  if (!c.story.empty()) {
    html += "<p>";
    for (const std::string& line : c.story) html += XmlEscaped(line) + " ";
    html += "</p>\n";
  }
  std::vector<std::string> lines = Highlights(c);
  if (!lines.empty()) {
    html += "<pre>";
    for (size_t i = 0; i < lines.size() && i < kShownLines; ++i)
      html += XmlEscaped(lines[i]) + "\n";
    if (lines.size() > kShownLines)
      html += "\u2026 and " + std::to_string(lines.size() - kShownLines) +
              " more in <a href=\"trace.txt\">the trace</a>\n";
    html += "</pre>\n";
  }
  html += "</div>\n<div>\n";
  if (!c.picture.empty()) {
    const std::string png = fs::path(c.picture).replace_extension(".png").string();
    const std::string img = "<img src=\"" + c.picture + "\" alt=\"The desktop in chapter " +
                            std::to_string(c.number) + "\">";
    html += fs::exists(fs::path(Tour().dir) / png) ? "<a href=\"" + png + "\">" + img + "</a>\n"
                                                   : img + "\n";
  }
  return html + "</div>\n</section>\n";
}

bool WriteIndex(const std::string& file) {
  std::ofstream out(file, std::ios::trunc);
  out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
         "<title>Zephquill: the guided tour</title>\n<style>\n"
         "body{font-family:sans-serif;max-width:1400px;margin:1em auto;padding:0 1em;"
         "color:#222}\nsection{display:grid;grid-template-columns:minmax(0,1fr) "
         "minmax(0,1.3fr);gap:0 1.5em;border-top:1px solid #ccc;padding:.5em 0}\n"
         "section h2{grid-column:1/3;margin:.3em 0;font-size:1.2em}\n"
         "section div{min-width:0}\npre{background:#f4f4f4;padding:.5em;font-size:11px;"
         "white-space:pre-wrap;word-break:break-all}\n"
         "img{width:100%;border:1px solid #999}\n</style></head><body>\n"
         "<h1>The guided tour</h1>\n<p>The client on the simulated desktop, against the live "
         "reference service. Each chapter says what happens, shows the lines of the trace "
         "that tell it, and a picture of the desktop at its end: the browsers with their "
         "titles and addresses, the panels with the pages they loaded, the notification "
         "popup and, in the taskbar, the tray icon with its tooltip. Click a picture for the "
         "PNG (when Chromium made one); the whole trace is in <a "
         "href=\"trace.txt\">trace.txt</a>.</p>\n<ol>\n";
  for (const Chapter& c : Tour().chapters)
    out << "<li><a href=\"#chapter-" << c.number << "\">" << XmlEscaped(c.title) << "</a></li>\n";
  out << "</ol>\n";
  for (const Chapter& c : Tour().chapters) out << ChapterHtml(c);
  out << "</body></html>\n";
  return static_cast<bool>(out.flush());
}

bool Begin(Scenario& s, const std::string& dir) {
  TourState& t = Tour();
  std::error_code ec;
  fs::create_directories(dir, ec);
  t.trace.close();
  t.trace.clear();
  t.trace.open((fs::path(dir) / "trace.txt").string(), std::ios::trunc);
  if (ec || !t.trace) {
    s.out() << "error: cannot write into " << dir << "\n";
    return false;
  }
  t.dir = dir;
  t.chapters.clear();
  t.open = false;
  const PictureOptions o = Options();
  if (!o.note.empty() && t.progress) *t.progress << o.note << "\n";
  if (t.tapped) return true;  // a second tour in one run starts afresh on the same tap
  t.tapped = true;
  Desktop& d = s.desktop();
  std::function<void(const std::string&)> before = d.traceSink;
  d.traceSink = [before](const std::string& line) {
    if (before) before(line);
    TourState& tour = Tour();
    tour.trace << line << "\n";
    if (tour.open) tour.chapters.back().trace.push_back(line);
  };
  return true;
}

bool Chapters(Scenario& s, const std::vector<std::string>& words, const std::string& line) {
  TourState& t = Tour();
  if (t.dir.empty()) {
    s.out() << "error: \"chapter\" needs \"tour DIR\" first\n";
    return false;
  }
  if (words.size() == 2 && words[1] == "picture") {
    if (!t.open) return false;
    PictureOf(s, t.chapters.back());
    return true;
  }
  CloseChapter(s);
  Chapter c;
  c.number = static_cast<int>(t.chapters.size()) + 1;
  c.title = Scenario::RestAfter(line, 1);
  t.chapters.push_back(c);
  t.open = true;
  s.out() << "===== " << c.number << ". " << c.title << "\n";
  t.trace << "===== " << c.number << ". " << c.title << "\n";
  if (t.progress) *t.progress << "Chapter " << c.number << ": " << c.title << std::endl;
  return true;
}

bool End(Scenario& s) {
  TourState& t = Tour();
  if (t.dir.empty()) return false;
  CloseChapter(s);
  const std::string index = (fs::path(t.dir) / "index.html").string();
  if (!WriteIndex(index)) {
    s.out() << "error: cannot write " << index << "\n";
    return false;
  }
  t.trace.flush();
  s.out() << "tour: " << t.chapters.size() << " chapters in " << index;
  if (t.camera) s.out() << "; Chromium ran " << t.camera->Runs() << " times";
  s.out() << "\n";
  return true;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  const std::string& cmd = words[0];
  if (cmd == "echo") {
    // The script's narration belongs to the chapter; echo itself still prints it.
    TourState& t = Tour();
    std::string text = Scenario::RestAfter(line, 1);
    text.erase(0, text.find_first_not_of("-= "));
    if (t.open && !text.empty()) t.chapters.back().story.push_back(text);
    return false;
  }
  if (cmd == "picture" && words.size() == 2) {
    ok = TakePicture(s, words[1]);
    return true;
  }
  if (cmd == "chapter" && words.size() >= 2) {
    ok = Chapters(s, words, line);
    return true;
  }
  if (cmd == "tour" && words.size() == 2) {
    ok = words[1] == "end" ? End(s) : Begin(s, words[1]);
    return true;
  }
  return false;
}

const int kRegistered = RegisterScenarioExtension(ScenarioExtension{&Command, nullptr});

}  // namespace

void SetTourProgress(std::ostream* progress) { Tour().progress = progress; }
void SetPagePictures(bool on) { Tour().pages = on; }

}  // namespace zq::sim
