// Pictures of web pages for the desktop picture: headless Chromium loads an address at a
// given size and takes a screenshot; each page is taken once per run.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace zq::sim {

class PageCamera {
 public:
  virtual ~PageCamera() = default;
  // PNG bytes of the page `url` shown in `width` x `height` pixels, loaded from `loadFrom`
  // (the address where it can be had now; empty: only a picture taken before will do).
  // Nothing when no picture can be had.
  virtual std::optional<std::string> Shot(const std::string& url, int width, int height,
                                          const std::string& loadFrom) = 0;
};

class ChromiumCamera : public PageCamera {
 public:
  // `binary`: the browser to run; empty: $ZQ_CHROMIUM, else /usr/bin/chromium.
  explicit ChromiumCamera(std::string binary = "");
  bool Available() const;
  const std::string& Binary() const { return binary_; }
  // Cached by (url, size). A run that takes longer than its bound is killed.
  std::optional<std::string> Shot(const std::string& url, int width, int height,
                                  const std::string& loadFrom) override;
  // A picture of a file on disk (an SVG document, for instance), cached by its content.
  std::optional<std::string> ShotOfFile(const std::string& path, int width, int height);
  int Runs() const { return runs_; }

 private:
  std::optional<std::string> Run(const std::string& address, int width, int height);

  std::string binary_;
  std::map<std::tuple<std::string, int, int>, std::string> shots_;
  int runs_ = 0;
};

}  // namespace zq::sim
