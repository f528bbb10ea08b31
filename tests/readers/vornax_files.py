"""What the readers' tests read of the files that vornax writes."""
import os
import re
import subprocess
import sys


def words(text):
    """The words of `text` between blanks, tabs and line ends (not the other white space of
    Unicode: bytes such as A0 are state symbols)."""
    return re.split(r'[ \t\r\n]+', text.strip(' \t\r\n'))


def shown(step_matrix):
    """The regions of a StepMatrix text (number -> (symbols, cells)) and its taxon rows, one
    cell per region, "[-]" as "-"."""
    lines = step_matrix.split('\n')
    regions = {}
    for i, line in enumerate(lines):
        m = re.match(r'\tUSERTYPE Region#(\d+) STEPMATRIX = (\d+)$', line)
        if m:
            k = int(m.group(2))
            symbols = ''.join(lines[i + 1 + s][2] for s in range(k))
            cells = [words(lines[i + 3 + k + g])[1:] for g in range(k)]
            regions[int(m.group(1))] = (symbols, cells)
    start = next(i for i, line in enumerate(lines) if line.endswith('\tambiguous region ]'))
    rows = [line.split('\t', 1)[1].replace('[-]', '-') for line in lines[start + 1:]
            if line and not line.startswith('[ ')]
    return regions, rows


def missing(what):
    if os.environ.get('VORNAX_REQUIRE_NEXUS_READERS'):
        sys.exit(f'{what} is required')
    print(f'skipped: {what} is missing')
    sys.exit(77)


def run(work, *args, stdin=None):
    return subprocess.run(args, cwd=work, input=stdin, capture_output=True, encoding='latin-1')
