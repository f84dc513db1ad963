#!/usr/bin/env python3
"""The table of docs/performance.md from one run: Google Benchmark's JSON output (medians of
repetitions) and the service load test's lines, each figure beside its reference and the
ratio of the two. scripts/bench.sh runs it; see --help."""
import argparse
import json
import re
import sys

# benchmark -> what it measures, its reference (None: none), what the reference is.
HANDOVER = "BM_SimulatorHandOver"
PAIRS = [
    ("BM_TrackingTickFollowedBrowser/0", "steady tick, Firefox followed, address unchanged",
     "BM_BarePlatformCallsThroughTimer/1", "foreground, class, title, 1 DDE request, same delivery"),
    ("BM_TrackingTickFollowedBrowser/3", "the same with an \"ExcludedInURL\" value",
     "BM_BarePlatformCallsThroughTimer/1", "the same four calls"),
    ("BM_TrackingTickFollowedBrowser/1", "steady tick, Internet Explorer 6 followed",
     "BM_BarePlatformCallsThroughTimer/0", "foreground, class, title, same delivery"),
    ("BM_TrackingTickFollowedBrowser/2", "steady tick, Internet Explorer 7 with 3 tabs",
     "BM_BarePlatformCallsThroughTimer/0", "foreground, class, title, same delivery"),
    ("BM_ControllerTickNoBrowser", "tick with no browser in front",
     "BM_BarePlatformCallsThroughTimer/0", "foreground, class, title, same delivery"),
    ("BM_DetectFirefox", "detection pass, Firefox in front",
     "BM_BarePlatformCalls/1", "foreground, class, title, 1 DDE request"),
    ("BM_DetectIE7ThreeTabsBehindFolders", "detection pass, IE7 with 3 tabs behind 3 folders",
     "BM_BarePlatformCalls/0", "foreground, class, title"),
    ("BM_PerSecond_ClientFollowingFirefox", "one second of the client following Firefox",
     "BM_PerSecond_PeerPoller", "a peer polling foreground, class, title at 1 Hz"),
    ("BM_ShowNotificationAlreadyShown", "notification already shown, through the message",
     HANDOVER, "an ignored message, same delivery"),
    ("BM_StatusLineIntoFullBox", "80-character line into a ~100,000-character status box",
     HANDOVER, "an ignored message, same delivery"),
    (HANDOVER, "the simulator's delivery of one posted message", None, ""),
    ("BM_PanelFollowsResize/0", "pop-up panel following a resize through window events",
     None, ""),
    ("BM_PanelFollowsResize/1", "child panel following a resize at the tick (ticks included)",
     None, ""),
    ("BM_NotifierRegionFromSkin", "notifier region from the 204 x 155 skin",
     "BM_NotifierRegionPerPixelReads", "the same scan, one pixel read per call"),
    ("BM_NotifierWholeNotification", "whole notification: 300 ms out, 1 s stay, 200 ms back",
     None, ""),
    ("BM_ParseCommandUrl_Commands", "command address parsed",
     "BM_ParseCommandUrl_OrdinaryAddress", "an ordinary page address checked"),
    ("BM_MayIssueCommands", "origin check of the commanding page",
     "BM_Ref_PrefixCompareOrigins", "prefix compare with the same origins"),
    ("BM_ReadSettingNearEnd", "ReadSetting near the end of a 3.7 KB file",
     "BM_Ref_ReadConfigFileBytes", "the file's bytes read from disk"),
    ("BM_WriteSettingInPlace", "WriteSetting replacing a value",
     "BM_Ref_RenameConfigFile", "one bare rename"),
    ("BM_WriteSettingInPlace", "(the same)",
     "BM_Ref_WriteTempAndRename", "the file's bytes to a temporary, then rename"),
    ("BM_FormatErrorLine_SystemText", "error line with the system's text",
     "BM_Ref_ConcatenateErrorLine", "the same line concatenated"),
    ("BM_FormatErrorLine_CachedSystemText", "the same, text cached",
     "BM_Ref_ConcatenateErrorLine", "the same line concatenated"),
    ("BM_FormatErrorLine_UnknownCode", "a code without system text",
     "BM_Ref_ConcatenateErrorLine", "the same line concatenated"),
    ("BM_FormatErrorLine_ComponentDescription", "the component's own description",
     "BM_Ref_ConcatenateErrorLine", "the same line concatenated"),
    ("BM_RoundRegion/300/200", "panel's rounded region, 300 x 200",
     "BM_Ref_CopyRoundRegion/300/200", "a copy of the same bands"),
    ("BM_RoundRegion/1160/900", "panel's rounded region, 1160 x 900",
     "BM_Ref_CopyRoundRegion/1160/900", "a copy of the same bands"),
    ("BM_ComposePanelAddress", "panel page address, values percent-encoded",
     "BM_Ref_ConcatenatePanelAddress", "the same address, values pasted in"),
    ("BM_ParseRemembered", "a remembered panel rectangle read",
     "BM_Ref_ScanFourNumbers", "swscanf of the four numbers"),
    ("BM_NotificationQuery", "the notification page's query",
     "BM_Ref_ConcatenateNotificationQuery", "the same query, values pasted in"),
    ("BM_ElementsOfPanelWithFiftyComments", "elements of a panel page with 50 comments",
     "BM_Ref_CountTagsOfPanelWithFiftyComments", "one pass counting its tags"),
    ("BM_ElementsOfCheckPage", "elements of the small check page", None, ""),
    ("BM_RegistryScript_Parse", "the automation registration script parsed", None, ""),
    ("BM_RegistryScript_RegisterAndUnregister", "its keys written and removed", None, ""),
    ("BM_ImageMachine", "the machine type of a downloaded image", None, ""),
    ("BM_ServiceConnectionsAtOnce/50", "50 connections opened at once, until all are taken",
     "BM_ServiceConnectionsAtOnce/1", "one connection, the same way"),
    ("BM_ServiceAnswerKeptAlive", "the check page answered on a kept-alive connection",
     "BM_ServiceAnswerNewConnection", "the same answer on a new connection"),
]
# Figures per second of the desktop's time rather than per operation.
PER_SECOND = {"BM_PerSecond_ClientFollowingFirefox", "BM_PerSecond_PeerPoller"}
# Figures in wall-clock time: waiting on the network is what they measure.
WALL_CLOCK = {"BM_ServiceConnectionsAtOnce/50", "BM_ServiceConnectionsAtOnce/1",
              "BM_ServiceAnswerKeptAlive", "BM_ServiceAnswerNewConnection"}
NOISY_CV = 0.10
_UNITS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
_MODIFIERS = re.compile(r"process_time|real_time|iterations:\d+|repeats:\d+|min_time:[\d.]+")


def key(run_name):
    """The benchmark's name and arguments, without the measurement modifiers."""
    return "/".join(p for p in run_name.split("/") if not _MODIFIERS.fullmatch(p))


def load(benchmark_json):
    """(medians in ns of CPU time, or wall-clock time for WALL_CLOCK, cvs as fractions, error messages), each by key. A run
    without repetitions has no aggregates: its single figure stands for the median."""
    medians, cvs, errors = {}, {}, {}
    for b in benchmark_json.get("benchmarks", []):
        name = key(b.get("run_name", b["name"]))
        if b.get("error_occurred"):
            errors[name] = b.get("error_message") or "error"
            continue
        aggregate = b.get("aggregate_name")
        time = b["real_time" if name in WALL_CLOCK else "cpu_time"]
        if aggregate == "median" or (b.get("run_type") == "iteration" and name not in medians):
            medians[name] = time * _UNITS[b.get("time_unit", "ns")]
        elif aggregate == "cv":
            cvs[name] = time
    for name in errors:
        medians.pop(name, None)
    return medians, cvs, errors


def fmt(ns, name=""):
    if name in PER_SECOND:
        return f"{ns / 1e3:.1f} µs/s ({ns / 1e9 * 100:.4f} % of a core)"
    if ns < 10:
        return f"{ns:.1f} ns"
    if ns < 1e3:
        return f"{ns:.0f} ns"
    if ns < 1e4:
        return f"{ns / 1e3:.2f} µs"
    if ns < 1e6:
        return f"{ns / 1e3:.1f} µs"
    return f"{ns / 1e6:.2f} ms"


def ratio(medians, name, ref):
    if name in medians and ref in medians and medians[ref] > 0:
        return f"{medians[name] / medians[ref]:.2f}"
    return "—"


def benchmark_table(medians, cvs, errors):
    def cell(name):
        if name in errors:
            return f"failed: {errors[name]}"
        if name not in medians:
            return "not run"
        noisy = f" (cv {cvs[name] * 100:.0f} %)" if cvs.get(name, 0) > NOISY_CV else ""
        return fmt(medians[name], name) + noisy

    lines = ["| benchmark | what it measures | figure | reference | reference figure | ratio |",
             "|---|---|---|---|---|---|"]
    shown, references = set(), set()
    for name, what, ref, ref_what in PAIRS:
        if name not in medians and name not in errors:
            continue
        shown.add(name)
        if ref:
            references.add(ref)
            lines.append(f"| `{name}` | {what} | {cell(name)} | `{ref}`: {ref_what} | {cell(ref)} "
                         f"| {ratio(medians, name, ref)} |")
        else:
            lines.append(f"| `{name}` | {what} | {cell(name)} | — | | |")
    # Every benchmark of the run appears: those not named above, without a reference.
    for name in sorted(set(medians) | set(errors)):
        if name not in shown and name not in references:
            lines.append(f"| `{name}` | | {cell(name)} | — | | |")
    return lines


def service_rows(text):
    """{target: (requests per second, p50, p99)} from bench/service-load.sh's lines."""
    rows = {}
    for line in text.splitlines():
        m = re.match(r"(\S.*?)\s+([\d.]+) req/s\s+p50\s+(\S+)\s+p99\s+(\S+)", line)
        if m:
            rows[m.group(1)] = (float(m.group(2)), m.group(3), m.group(4))
    return rows


def service_table(rows):
    lines = ["| service target | requests per second | p50 | p99 | reference | ratio |",
             "|---|---|---|---|---|---|"]
    static = rows.get("static page")
    for target in ("panel page", "feed", "static page"):
        if target not in rows:
            continue
        rps, p50, p99 = rows[target]
        if target == "static page" or not static or rps <= 0:
            lines.append(f"| {target} | {rps:,.0f} | {p50} | {p99} | — | |")
        else:
            # Time per request relative to the static page's: its throughput over this one's.
            lines.append(f"| {target} | {rps:,.0f} | {p50} | {p99} | static page, "
                         f"{static[0]:,.0f} req/s | {static[0] / rps:.2f} |")
    return lines


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("benchmark_json")
    parser.add_argument("--service", help="the output of bench/service-load.sh")
    parser.add_argument("--heading", default="", help="a line printed above the tables")
    args = parser.parse_args(argv)
    try:
        with open(args.benchmark_json) as f:
            medians, cvs, errors = load(json.load(f))
    except (OSError, ValueError) as e:
        print(f"figures.py: cannot read {args.benchmark_json}: {e}", file=sys.stderr)
        return 1
    if args.heading:
        print(args.heading + "\n")
    print("\n".join(benchmark_table(medians, cvs, errors)))
    if args.service:
        try:
            with open(args.service) as f:
                rows = service_rows(f.read())
        except OSError as e:
            print(f"figures.py: cannot read {args.service}: {e}", file=sys.stderr)
            return 1
        if rows:
            print("\n" + "\n".join(service_table(rows)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
