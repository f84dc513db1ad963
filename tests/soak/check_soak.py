# Plays the seven-day soak and checks its output: the client at rest after day 7 holds the same
# windows, threads, timers, web controls and registry records as after day 1; only
# ShownContentIds grows. The script and the output stay in WORK for a look when it fails.
import os
import re
import shutil
import subprocess
import sys

import make_soak

CLIENT = "ZephquillClient.exe"
# The first instance, one nightly restart for each of the seven nights, and the update's.
CLIENT_PROCESSES = 9


def dumps(text):
    """The dumps of the output, each as a dict of key -> value, with the "threads" lines that
    follow it."""
    found, current = [], None
    for line in text.splitlines():
        if line.startswith("--- dump at"):
            current = {}
            found.append(current)
        elif current is not None and ": " in line and not line.startswith("---"):
            key, value = line.split(": ", 1)
            current[key] = value
    return found


def field(value, name):
    m = re.search(r"\b%s=(\S+)" % name, value)
    return m.group(1) if m else None


class Summary:
    """What one dump says about the running client and what was left behind."""

    def __init__(self, d):
        procs = {m.group(1): (d.get("process.%s.command_line" % m.group(1), ""), v == "running")
                 for k, v in d.items() for m in [re.fullmatch(r"process\.(\d+)\.state", k)] if m}
        clients = [p for p, (cmd, running) in procs.items() if CLIENT in cmd and running]
        self.problems = [] if len(clients) == 1 else ["running clients: %s (one expected)" % clients]
        self.client = max(clients, key=int) if clients else None
        self.started = sum(1 for cmd, _ in procs.values() if CLIENT in cmd)
        dead = {p for p, (_, running) in procs.items() if not running}
        self.windows, self.threads, self.web, self.timers = {}, None, 0, 0
        for key, value in d.items():
            pid = field(value, "pid")
            if key.startswith("window."):
                cls = re.search(r'class="([^"]*)"', value).group(1)
                if pid == self.client:
                    self.windows[cls] = self.windows.get(cls, 0) + 1
                else:
                    self.problems.append("window of %s process %s: %s"
                                         % ("ended" if pid in dead else "another", pid, value))
            elif key.startswith("threads."):
                if key == "threads.%s" % self.client:
                    self.threads = int(value)
                elif key[len("threads."):] in dead:
                    self.problems.append("%s threads left in ended process %s" % (value, key))
            elif re.fullmatch(r"web\.\d+", key) and "state=released" not in value:
                if pid == self.client:
                    self.web += 1
                else:
                    self.problems.append("live web control of process %s: %s" % (pid, key))
            elif key.startswith("timer."):
                self.timers += 1
            elif key.startswith("message_box.") and value.endswith("waiting"):
                self.problems.append("message box still waiting: %s" % value)
        if self.threads is None:
            self.problems.append("no live-thread count for the client")
        self.registry = sorted(v for k, v in d.items() if k.startswith("registry."))
        self.tray = sorted(k for k in d if k.startswith("shell.tray.") and k.endswith(".tip"))
        self.ieapps_hidden = field(d.get("ieapps", ""), "running_hidden")
        prefix = "process.%s." % self.client
        # The record's size comes first, then its newest identifiers.
        self.shown = int((d.get(prefix + "shown_content_ids", "").split() or ["0"])[0])
        # The client's own state lines besides the one record that may grow.
        self.state_keys = sorted(k[len(prefix):] for k in d
                                 if k.startswith(prefix) and "shown_content_ids" not in k)


def compare(first, last):
    problems = ["after day 7: " + p for p in last.problems]
    problems += ["after day 1: " + p for p in first.problems]
    for what in ("windows", "threads", "web", "timers", "registry", "ieapps_hidden",
                 "state_keys"):
        a, b = getattr(first, what), getattr(last, what)
        if a != b:
            problems.append("%s differ: day 1 %s, day 7 %s" % (what, a, b))
    if last.started != CLIENT_PROCESSES:
        problems.append("client processes started: %d, %d expected"
                        % (last.started, CLIENT_PROCESSES))
    if len(last.tray) != 1:
        problems.append("tray icons after day 7: %s (one expected)" % last.tray)
    return problems


def main():
    zqsim, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    script, output = os.path.join(work, "soak.zqs"), os.path.join(work, "output.txt")
    with open(script, "w", newline="\n") as f:
        f.write("\n".join(make_soak.build()) + "\n")
    with open(output, "w") as out:
        rc = subprocess.run([zqsim, "--quiet", "--root", os.path.join(work, "disk"), script],
                            stdout=out).returncode
    with open(output, encoding="utf-8", errors="replace") as f:
        found = dumps(f.read())
    if rc != 0 or len(found) != 2:
        print("zqsim ended with %d and %d dumps (two expected: after day 1 and day 7); "
              "output in %s" % (rc, len(found), output))
        return 1
    first, last = Summary(found[0]), Summary(found[1])
    problems = compare(first, last)
    print("client %s -> %s: windows %s, threads %s, web controls %d, timers %d, "
          "registry records %d, shown ids %d -> %d"
          % (first.client, last.client, last.windows, last.threads, last.web, last.timers,
             len(last.registry), first.shown, last.shown))
    for p in problems:
        print("LEAK: " + p)
    if problems:
        print("the soak found leaks; output in %s" % output)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
