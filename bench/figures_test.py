#!/usr/bin/env python3
"""Checks of figures.py on made-up runs: names as Google Benchmark writes them, ratios, the
marks of failed and noisy figures, and the service lines."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import figures  # noqa: E402


def agg(run_name, aggregate, cpu, unit="ns", **extra):
    return dict(name=f"{run_name}_{aggregate}", run_name=run_name, run_type="aggregate",
                aggregate_name=aggregate, cpu_time=cpu, time_unit=unit, **extra)


class LoadAndTable(unittest.TestCase):
    def test_medians_keyed_without_modifiers_and_ratio_from_the_same_run(self):
        run = {"benchmarks": [
            agg("BM_TrackingTickFollowedBrowser/0/process_time", "mean", 99.0, "us"),
            agg("BM_TrackingTickFollowedBrowser/0/process_time", "median", 10.0, "us"),
            agg("BM_TrackingTickFollowedBrowser/0/process_time", "cv", 0.02),
            agg("BM_BarePlatformCallsThroughTimer/1/process_time", "median", 4000.0),
            agg("BM_PerSecond_ClientFollowingFirefox/iterations:2000/process_time", "median",
                12.0, "us"),
            agg("BM_PerSecond_PeerPoller/iterations:2000/process_time", "median", 4.0, "us"),
        ]}
        medians, cvs, errors = figures.load(run)
        self.assertEqual(medians["BM_TrackingTickFollowedBrowser/0"], 10000.0)  # median, not mean
        self.assertEqual(errors, {})
        table = "\n".join(figures.benchmark_table(medians, cvs, errors))
        self.assertIn("| 10.0 µs | `BM_BarePlatformCallsThroughTimer/1`", table)
        self.assertIn("| 2.50 |", table)
        self.assertIn("12.0 µs/s (0.0012 % of a core)", table)
        self.assertIn("| 3.00 |", table)
        # A benchmark that is only a reference gets no row of its own.
        self.assertNotIn("| `BM_PerSecond_PeerPoller` |", table)

    def test_failed_noisy_unknown_and_missing_reference(self):
        run = {"benchmarks": [
            dict(name="BM_NotifierRegionPerPixelReads", run_name="BM_NotifierRegionPerPixelReads",
                 run_type="iteration", error_occurred=True,
                 error_message="the per-pixel scan and the region differ", cpu_time=0,
                 time_unit="ns"),
            agg("BM_NotifierRegionFromSkin", "median", 22.0, "us"),
            agg("BM_NotifierRegionFromSkin", "cv", 0.31),
            agg("BM_SomethingNew", "median", 5.0),
        ]}
        table = "\n".join(figures.benchmark_table(*figures.load(run)))
        row = next(l for l in table.splitlines() if l.startswith("| `BM_NotifierRegionFromSkin`"))
        self.assertIn("22.0 µs (cv 31 %)", row)
        self.assertIn("failed: the per-pixel scan and the region differ", row)
        self.assertTrue(row.endswith("| — |"), row)  # no ratio against a failed reference
        self.assertIn("| `BM_SomethingNew` | | 5.0 ns | — | | |", table)

    def test_single_run_without_aggregates_stands_for_the_median(self):
        run = {"benchmarks": [dict(name="BM_ImageMachine", run_name="BM_ImageMachine",
                                   run_type="iteration", cpu_time=0.014, time_unit="us")]}
        medians, _, _ = figures.load(run)
        self.assertAlmostEqual(medians["BM_ImageMachine"], 14.0)


class Service(unittest.TestCase):
    OUTPUT = """zqservice load test on http://127.0.0.1:40000
panel page   20000.50 req/s   p50   1.54ms   p99  24.87ms   (50 connections, 10s)
feed         21337.00 req/s   p50   1.34ms   p99  26.46ms   (50 connections, 10s)
static page  60001.50 req/s   p50 326.00us   p99  14.44ms   (50 connections, 10s)
"""

    def test_rows_and_ratio_to_the_static_page(self):
        rows = figures.service_rows(self.OUTPUT)
        self.assertEqual(rows["static page"], (60001.5, "326.00us", "14.44ms"))
        table = figures.service_table(rows)
        self.assertIn("| panel page | 20,000 | 1.54ms | 24.87ms | static page, 60,002 req/s | 3.00 |",
                      table)
        self.assertIn("| static page | 60,002 | 326.00us | 14.44ms | — | |", table)

    def test_without_the_static_page_no_ratio(self):
        rows = figures.service_rows(self.OUTPUT.splitlines()[1])
        self.assertEqual(figures.service_table(rows)[-1],
                         "| panel page | 20,000 | 1.54ms | 24.87ms | — | |")


if __name__ == "__main__":
    unittest.main()
