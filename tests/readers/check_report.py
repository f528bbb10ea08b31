#!/usr/bin/python3
"""The report page that vornax-export --format html writes, read by real readers.

html5lib: every report (the cases' expected pages, and new ones of the examples and of regions
of 97 and 60 states) parses as HTML5 without an error, holds only ASCII bytes and one script
that runs, and every region's data block is JSON with one alignment per pair of states.
browser: headless Chromium loads the report of the rana example and the case whose taxon names
hold <script>, runs their script without an error on its console, draws one heat map of n x n
cells per region of n >= 2 states, shows each cost of StepMatrix on hover and, for a cell
chosen, that pair's rows and scores as Alignments has them; a screenshot goes to SCREENSHOT.

Usage: check_report.py html5lib|browser VORNAX VORNAX_EXPORT EXAMPLES_DIR CASES_DIR SCREENSHOT
Exit status 77 (skipped) when a reader is missing, unless VORNAX_REQUIRE_NEXUS_READERS is set.
"""
import glob
import json
import os
import pathlib
import sys
import tempfile

from vornax_files import missing, run, shown

mode, vornax, export, examples, cases, screenshot = sys.argv[1:7]
failures = []
scratch = tempfile.TemporaryDirectory()  # every run's folder, removed at the end


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def report(name, data, weights='1\n2\n1'):
    """The report page, StepMatrix and Alignments of a run of vornax on `data`."""
    work = tempfile.mkdtemp(dir=scratch.name)
    pathlib.Path(work, 'data.dat').write_text(data, 'latin-1')
    run(work, vornax, stdin=f'data.dat\n{weights}\n')
    done = run(work, export, '--data', 'data.dat', '--format', 'html', '-o', 'report.html')
    check(done.returncode == 0, f'{name}: vornax-export: {done.stderr}')
    return [pathlib.Path(work, f).read_text('latin-1')
            for f in ('report.html', 'StepMatrix', 'Alignments')]


def many_states(counts):
    """A data file of 100 taxa with one region per entry of `counts`, of that many states."""
    rows = [''.join(f'{t % count:07b}'.replace('0', 'A').replace('1', 'C') + 'GT'
                    for count in counts) for t in range(100)]
    bounds = ' '.join(f'{9 * r + 1}-{9 * r + 7}' for r in range(len(counts)))
    return f'100 {9 * len(counts)} {len(counts)} - ?\n{bounds}\n' + ''.join(
        f'taxon_{t}\t{row}\n' for t, row in enumerate(rows))


def check_html5lib():
    try:
        import html5lib
    except ImportError:
        missing('html5lib (python3-html5lib)')
    pages = {path: pathlib.Path(path).read_text('latin-1') for path in
             glob.glob(os.path.join(cases, '*', 'out', '*.html')) +
             glob.glob(os.path.join(cases, 'html_*', 'stdout'))}
    pages['rana_rdna.dat'] = report('rana', pathlib.Path(examples, 'rana_rdna.dat')
                                    .read_text('latin-1'))[0]
    pages['97 and 60 states'] = report('97 and 60 states', many_states([97, 60, 2]))[0]
    check(len(pages) >= 5, f'only {len(pages)} reports')
    check('more than 96 states: vornax could not code' in pages['97 and 60 states'],
          'a region of 97 states is not shown as one that vornax could not code')
    for name, page in pages.items():
        parser = html5lib.HTMLParser(namespaceHTMLElements=False)
        tree = parser.parse(page)
        check(not parser.errors, f'{name}: {parser.errors[:3]}')
        check(page.isascii(), f'{name}: bytes above 0x7F')
        scripts = tree.findall('.//script')
        check(sum('type' not in s.attrib for s in scripts) == 1, f'{name}: scripts {scripts}')
        for block in tree.findall('.//script[@class="region-data"]'):
            region = json.loads(block.text)
            n = len(region['states'])
            check(len(region['pairs']) == n * (n - 1) // 2 == len(region['costs']) * (n - 1) // 2,
                  f'{name}: {len(region["pairs"])} alignments of {n} states')
    escaped = [p for n, p in pages.items() if 'escapes_names' in n][0]
    cells = [''.join(td.itertext()) for td in html5lib.parse(escaped, namespaceHTMLElements=False)
             .findall('.//td[@class="taxa"]')]
    check('<script>alert(1)</script>' in cells, 'the name with <script> is not text')


def alignments(text):
    """Region -> (symbol, symbol) -> the two rows (gaps as "-") and the scores of Alignments."""
    regions, lines = {}, text.split('\n')
    for i, line in enumerate(lines):
        if line.startswith('Region #'):
            region = regions.setdefault(int(line[8:]), {})
        elif line.startswith('*'):
            second = lines[i + 1][3:].split('\t')  # rana's rows hold no tab
            rows = [line[3:].replace('\xa5', '-'), second[0].replace('\xa5', '-')]
            region[line[1], lines[i + 1][1]] = rows, [s.strip() for s in second[1:]]
    return regions


def check_browser():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.action_chains import ActionChains
    except ImportError:
        missing('Selenium (python3-selenium)')
    for path, package in (('/usr/bin/chromium', 'chromium'),
                          ('/usr/bin/chromedriver', 'chromium-driver')):
        if not os.path.exists(path):
            missing(f'{path} ({package})')
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ('--headless --no-sandbox --disable-gpu --disable-quic --no-first-run '
                     '--disable-background-networking --disable-component-update '
                     '--disable-sync --window-size=1280,1400').split():
        options.add_argument(argument)
    options.add_argument('--user-data-dir=' + tempfile.mkdtemp(dir=scratch.name))
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    browser = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    try:
        page, step_matrix, aligned = report('rana', pathlib.Path(examples, 'rana_rdna.dat')
                                            .read_text('latin-1'))
        regions, aligned = shown(step_matrix)[0], alignments(aligned)
        escapes = os.path.join(cases, 'html_report_escapes_names_and_sequences/out/report.html')
        browser.get('file://' + escapes)
        for section in browser.find_elements('css selector', 'section.region'):
            browser.execute_script('arguments[0].scrollIntoView()', section)
        check('<script>alert(1)</script>' in browser.find_element('tag name', 'body').text,
              'the name with <script> is not shown as text')
        path = pathlib.Path(scratch.name, 'rana.html')
        path.write_text(page, 'latin-1')
        browser.get(path.as_uri())
        sections = browser.find_elements('css selector', 'section.region')
        check(len(sections) == len(regions) == 5, f'{len(sections)} regions')
        for section, (number, (symbols, costs)) in zip(sections, sorted(regions.items())):
            browser.execute_script('arguments[0].scrollIntoView()', section)
            n, maps = len(symbols), section.find_elements('css selector', 'svg.heatmap')
            cells = section.find_elements('css selector', 'rect.cell')
            if not check(len(maps) == 1 and len(cells) == n * n, f'region {number}: cells'):
                continue
            labels = [t.text for t in section.find_elements('css selector', 'text.row-label')]
            # Cells in the first row, the middle and the last: hover shows the cost, a click
            # the pair's alignment.
            for k in (1, n * n // 2 + 1, n * n - 2):
                g, h = symbols.index(labels[k // n]), symbols.index(labels[k % n])
                ActionChains(browser).move_to_element(cells[k]).perform()
                tip = browser.find_element('id', 'tip').text
                check(f'cost {costs[g][h]}' in tip, f'region {number} {g},{h}: tip "{tip}"')
                cells[k].click()
                pair = section.find_element('css selector', '.pair')
                shown_rows = [r.text for r in pair.find_elements(
                    'css selector', '.row:not(.match) .bases')]
                states = [r.text for r in pair.find_elements('css selector', '.row .state')]
                scores = [c.text for c in pair.find_elements('css selector', 'td')]
                rows, expected = aligned[number].get((states[0], states[2]), ([], []))
                check(sorted(states[::2]) == sorted([symbols[g], symbols[h]])
                      and shown_rows == rows and scores == expected,
                      f'region {number} {g},{h}: {states} {shown_rows} {scores}')
            if number == 1:
                browser.save_screenshot(screenshot)
        errors = [e for e in browser.get_log('browser') if e['level'] == 'SEVERE']
        check(not errors, f'console: {errors}')
    finally:
        browser.quit()


check_html5lib() if mode == 'html5lib' else check_browser()
print('\n'.join(failures[:40]))
print(f'report: {len(failures)} failed checks')
sys.exit(1 if failures else 0)
