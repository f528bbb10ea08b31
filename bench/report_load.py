#!/usr/bin/python3
"""How long a report page of vornax-export takes to open in headless Chromium (Debian's
chromium, chromium-driver and python3-selenium): from the start of the navigation to the load
event, and from a jump to region 1 (as its link in the overview does) to its heat map drawn;
each the median of RUNS fresh loads.

Usage: report_load.py REPORT.html [RUNS]
"""
import os
import statistics
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

path, runs = os.path.abspath(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 3
loads, drawn = [], []
for _ in range(runs):
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ('--headless --no-sandbox --disable-gpu --disable-quic --no-first-run '
                     '--disable-background-networking --disable-component-update '
                     '--disable-sync --window-size=1280,1400').split():
        options.add_argument(argument)
    options.add_argument('--user-data-dir=' + tempfile.mkdtemp())
    browser = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    try:
        browser.get('file://' + path)
        loads.append(browser.execute_script(
            "return performance.getEntriesByType('navigation')[0].loadEventEnd"))
        start = browser.execute_script(
            "location.hash = '#region-1'; return performance.now()")
        deadline = time.time() + 60
        while not browser.find_elements('css selector', '#region-1 svg.heatmap'):
            if time.time() > deadline:
                sys.exit('region 1 was not drawn within a minute')
            time.sleep(0.01)
        drawn.append(browser.execute_script('return performance.now()') - start)
    finally:
        browser.quit()
print(f'{os.path.getsize(path) / 1e6:.1f} MB; load event after {statistics.median(loads) / 1000:.2f} s,'
      f' region 1 drawn {statistics.median(drawn) / 1000:.2f} s after a jump to it'
      f' (median of {runs})')
