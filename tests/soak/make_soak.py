# The seven-day soak script that check_soak.py plays: one day's pattern of browsers,
# notifications, network outages and nightly restarts, varied by a fixed seed.
import random

SEED = 4711
DAYS = 7
DOWNLOAD = "http://127.0.0.1:8702/Download/"
SITES = [
    "http://news.example/today", "http://news.example/sport", "http://shop.example/cart",
    "http://blog.example/post/7", "http://video.example/watch?v=12&t=3", "http://wiki.example/Soak",
]
KINDS = ["firefox", "ie6", "ie7"]
BROWSER_SESSIONS = 6  # tried per day
# Checkpoints are taken at noon, after the browsers, popups and outages of the morning have
# ended, so the two dumps describe the client at rest.
QUIET_START, QUIET_END = 11 * 3600 + 30 * 60, 12 * 3600 + 30 * 60


def add(day, at, lines, order=1):
    """Adds to one day's events (second of the day, order, lines), kept in the order added."""
    day.append((at, order, len(day), lines))


def quiet(at, length=0):
    return at + length > QUIET_START and at < QUIET_END


def browser_sessions(day, rng, number):
    """Browsers opening, navigating and closing, one after another, from 07:00 to 23:00."""
    at = 7 * 3600 + rng.randrange(600)
    for i in range(BROWSER_SESSIONS):
        length = rng.randrange(120, 1800)
        if at + length > 23 * 3600:
            break
        if not quiet(at, length):
            name = "b%d_%d" % (number, i)
            kind = rng.choice(KINDS)
            lines = ["browser open %s %s %s Page %d" % (name, kind, rng.choice(SITES), i)]
            add(day, at, lines)
            for k in range(rng.randrange(0, 3)):
                step = at + (k + 1) * length // 4
                add(day, step, ["browser navigate %s %s/%d Next %d" % (name, rng.choice(SITES), k, k)])
            if kind == "ie7" and rng.random() < 0.5:
                add(day, at + length // 5, ["browser tab %s add %s Tab" % (name, rng.choice(SITES))])
            add(day, at + length, ["browser close %s" % name])
        at += length + rng.randrange(300, 5400)


def notifications(day, rng, number, next_id):
    """A notification every few minutes; some are clicked, some hovered over."""
    at = rng.randrange(60, 300)
    while at < 86400 - 600:
        if not quiet(at, 120):
            kind = "murmel" if rng.random() < 0.7 else "poke"
            link = "http://site.example/post/%d" % next_id
            lines = ["notify %d %s %s 1000 Day_%d_note_%d" % (next_id, kind, link, number, next_id)]
            roll = rng.random()
            if roll < 0.05:
                lines += ["advance 400ms", "notifier click"]
            elif roll < 0.10:
                lines += ["advance 400ms", "notifier hover", "advance 3s", "notifier leave"]
            elif roll < 0.15:  # offered again: shown only once
                lines += ["notify %d %s %s 1000 Again" % (next_id, kind, link)]
            add(day, at, lines, order=2)
            next_id += 1
        at += rng.randrange(120, 480)
    return next_id


def outage(day, rng):
    """The service drops once a day, for a few minutes to most of an hour, in the afternoon."""
    at = 13 * 3600 + rng.randrange(5 * 3600)
    add(day, at, ["network down"], order=0)
    add(day, at + rng.randrange(120, 3000), ["network up"], order=0)


def render(day, start_ms, out):
    """Writes the day's events as lines with `advance` between them; times in milliseconds."""
    now = start_ms
    for at, _, _, lines in sorted(day):
        at = max(at * 1000, now)
        if at > now:
            out.append(advance(at - now))
            now = at
        out.extend(lines)
        # Commands with their own advances move the clock on.
        for line in lines:
            if line.startswith("advance "):
                text = line.split()[1]
                now += int(text[:-2]) if text.endswith("ms") else int(text[:-1]) * 1000
    return now


def advance(ms):
    return "advance %ds" % (ms // 1000) if ms % 1000 == 0 else "advance %dms" % ms


def build():
    rng = random.Random(SEED)
    out = [
        "# The seven-day soak, written by tests/soak/make_soak.py.",
        "clock set 2026-03-02 08:00:00",
        "file image ZephquillClient.exe i686 8192",
        "download image %s i686 6000" % DOWNLOAD,
        "autoanswer ok",
        "page autoload on",
        "start",
        "advance 4s",
    ]
    next_id = 1000
    for number in range(DAYS + 1):
        day = []
        start = 8 * 3600 + 4 if number == 0 else 0
        end = 12 * 3600 if number == DAYS else 86400
        browser_sessions(day, rng, number)
        next_id = notifications(day, rng, number, next_id)
        outage(day, rng)
        # The user closes whatever is still open, the windows notification clicks opened
        # included, before noon and at night.
        add(day, QUIET_START + 600, ["browsers close-all"], order=0)
        add(day, 23 * 3600 + 1800, ["browsers close-all"], order=0)
        if number == 3:  # the one update, in the morning: the client restarts itself
            add(day, 9 * 3600, ["word updateclientversion"], order=0)
        day = [e for e in day if start <= e[0] < end]
        if number in (1, DAYS):
            add(day, 12 * 3600, ["echo --- checkpoint day %d" % number, "dump", "threads"], order=9)
        now = render(day, start * 1000, out)
        if now < end * 1000:
            out.append(advance(end * 1000 - now))
        out.append("echo --- end of day %d" % number)
    return out
