#!/usr/bin/python3
"""Times the largest sample, 2147483647 rolls, in the browser page (headless
Chromium, from the moment Enter is pressed to the mean's line), against the
native face counters of the same machine, measured in the same run by the
benchmark: the page's target is within 2 times the portable (SSE2) counter.

Needs the release and wasm builds (cmake --workflow --preset release and
--preset wasm) and Debian's chromium, chromium-driver and python3-selenium.
Usage: bench/time_page.py [samples, default 5]"""

import re
import statistics
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
import page_test  # noqa: E402  (the browser as the page's test starts it)

LARGEST = 2147483647
SAMPLES = int(sys.argv[1]) if len(sys.argv) > 1 else 5


def page_ns_per_roll():
    browser = page_test.start_browser()
    try:
        browser.get((ROOT / "build/wasm/die-fairness.html").as_uri())
        browser.set_script_timeout(120)
        # Each sample's time: from the Enter to the mean's line in the transcript.
        return browser.execute_async_script("""
            const [samples, size, done] = arguments;
            const transcript = document.getElementById("transcript");
            const entry = document.getElementById("entry");
            const means = () => (transcript.textContent.match(/The sample mean/g) || []).length;
            const times = [];
            let entered = 0;
            new MutationObserver(() => {
              if (means() === times.length + 1) {
                times.push(performance.now() - entered);
                if (times.length === samples) done(times.map((ms) => ms * 1e6 / size));
                else setTimeout(next, 50);
              }
            }).observe(transcript, { childList: true, subtree: true });
            function next() {
              entry.value = String(size);
              entered = performance.now();
              entry.dispatchEvent(new KeyboardEvent("keydown", { key: "Enter", bubbles: true }));
            }
            const ready = setInterval(() => {
              if (document.getElementById("prompt").textContent) { clearInterval(ready); next(); }
            }, 20);
            """, SAMPLES, LARGEST)
    finally:
        browser.quit()


def native_ns_per_roll():
    bench = subprocess.run([str(ROOT / "build/release/sample_bench"), "--benchmark_filter=face_counter",
                            "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                           capture_output=True, text=True, check=True).stdout
    return {name: float(value) for name, value in
            re.findall(r"face_counter/(\w+)/\d+_median .*ns_per_roll=([\d.]+)s", bench)}


def main():
    flags = Path("/proc/cpuinfo").read_text().split("\nflags")[1].split("\n")[0].split()
    model = re.search(r"model name\s*: (.*)", Path("/proc/cpuinfo").read_text()).group(1)
    print(f"Machine: {model}; {' '.join(f for f in ('sse2', 'avx2', 'avx512f', 'avx512bw') if f in flags)}")
    native = native_ns_per_roll()
    page = page_ns_per_roll()
    print(f"page, {LARGEST} rolls: " + ", ".join(f"{ns:.3f}" for ns in page) + " ns per roll")
    median = statistics.median(page)
    print(f"page median {median:.3f} ns per roll (first sample {page[0]:.3f}, as the JIT warms up)")
    for name, ns in native.items():
        print(f"native {name}: {ns:.3f} ns per roll; the page takes {median / ns:.2f} times as long")


if __name__ == "__main__":
    main()
