#!/usr/bin/python3
"""What vornax-export writes, read by real readers. NEXUSvalidator (NCL) must accept every
NEXUS file without a warning, and the step matrices, their assignment and the matrix that
NEXUSnormalizer reads back must be StepMatrix's (after the data file's sites with --data);
Biopython and DendroPy must read the same rows; a reader of TNT's commands checks the same.
With --data, MrBayes must read the MIXED file as DNA and standard data, and IQ-TREE the PHYLIP
files through their partition file as DNA and MORPH.

Usage: check_exports.py VORNAX VORNAX_EXPORT EXAMPLES_DIR HAND_MADE_STEPMATRIX
Exit status 77 (skipped) when a reader is missing, unless VORNAX_REQUIRE_NEXUS_READERS is set.
"""
import os
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile

from vornax_files import missing, run, shown, words

vornax, export, examples, hand_made = map(os.path.abspath, sys.argv[1:5])
failures = []


try:
    import dendropy
    from Bio.Nexus import Nexus
except ImportError:
    missing('DendroPy or Biopython (python3-dendropy, python3-biopython)')
for tool, package in (('NEXUSvalidator', 'ncl-tools'), ('NEXUSnormalizer', 'ncl-tools'),
                      ('mb', 'mrbayes'), ('iqtree2', 'iqtree')):
    if shutil.which(tool) is None:
        missing(f'{tool} ({package})')


checks = [0]


def check(condition, what):
    checks[0] += 1
    if not condition:
        failures.append(what)
    return condition


def exportable(symbols, cells, limit):
    return 2 <= len(symbols) <= limit and not any('nan' in c for row in cells for c in row)


def same_cost(read, cell):
    if cell in ('.', 'inf'):
        return read == ('.' if cell == '.' else 'i')
    return float(read) == float(cell)


def normalized(path, name):
    """NEXUSnormalizer's text and matrix rows, once NEXUSvalidator accepts without warning."""
    valid = subprocess.run(['NEXUSvalidator', path], capture_output=True, encoding='latin-1')
    check(valid.returncode == 0 and 'arning' not in valid.stdout + valid.stderr,
          f'{name}: NEXUSvalidator: {valid.stdout}{valid.stderr}')
    text = subprocess.run(['NEXUSnormalizer', path], capture_output=True, encoding='latin-1',
                          check=True).stdout
    return text, [words(line)[-1] for line in text[text.index('\nMatrix\n') + 8:].split('\n')]


def check_ncl(path, regions, rows, name, sites=None):
    """`sites` (with --data): each taxon's sites in STANDARD codes, before the regions."""
    text, matrix = normalized(path, name)
    offset, first = (len(sites[0]), 4) if sites else (0, 0)
    symbols = re.search(r'Symbols="([^"]*)"', text).group(1)[first:]
    read = {}
    for m in re.finditer(r'UserType REGION_(\d+) \(Stepmatrix\) = (\d+)\s*([^;]*);', text):
        number, k, tokens = int(m.group(1)), int(m.group(2)), words(m.group(3))
        read[number] = tokens
        theirs, cells = regions[number]
        check(k == len(theirs) and tokens[:k] == list(symbols[:k]), f'{name}: region {number}')
        for g in range(k):
            for h in range(k):
                cell = tokens[k + g * k + h].strip("'")
                check(same_cost(cell, cells[g][h]), f'{name}: region {number} {g},{h}: {cell}')
    expected = sorted(n for n, (s, c) in regions.items() if exportable(s, c, 58 if sites else 62))
    check(sorted(read) == expected, f'{name}: NCL read regions {sorted(read)}, not {expected}')
    labels = words(re.search(r'CHARLABELS\s+([^;]*);', text).group(1))
    characters = [int(label[len('Region_'):]) for label in labels if label != '_']
    check(characters == expected, f'{name}: characters {characters}')
    typeset = ', '.join([f'UNORD : 1-{offset}'] * bool(sites) + [
        f'Region_{n} : {offset + i + 1}' for i, n in enumerate(characters)])
    check(f'TypeSet * REGIONS = {typeset};' in text,
          f'{name}: the TYPESET does not give each character its own step matrix')
    for t, (row, cells) in enumerate(zip(rows, matrix)):
        want = (sites[t] if sites else '') + coded(regions, row, characters, symbols)
        check(cells == want, f'{name}: NCL matrix row {cells!r}, not {want}')


def coded(regions, row, characters, symbols):
    """The cells of taxon row `row` (StepMatrix symbols) for `characters`, in `symbols`."""
    return ''.join('?' if row[n - 1] not in regions[n][0]
                   else symbols[regions[n][0].index(row[n - 1])] for n in characters)


def check_python_readers(path, name):
    nexus = open(path, encoding='latin-1').read()
    body = nexus[nexus.index('\tMATRIX\n') + 8:nexus.index('\n\t;', nexus.index('\tMATRIX\n'))]
    cells = [words(line)[-1] for line in body.split('\n')]
    bio = Nexus.Nexus(path)
    check([str(bio.matrix[t]) for t in bio.taxlabels] == cells, f'{name}: Biopython rows')
    # DendroPy does not respect case in symbols: it reads regions of at most 29 states.
    if 'b' not in re.search(r'SYMBOLS="([^"]*)"', nexus).group(1):
        data = dendropy.DataSet.get(path=path, schema='nexus')
        matrix = data.char_matrices[0]
        rows = [str(matrix[t]) for t in data.taxon_namespaces[0]]
        check(rows == cells, f'{name}: DendroPy rows')


TNT_SYMBOLS = '0123456789ABCDEFGHIJKLMNOPQRSTUV'


def check_tnt(text, regions, rows, name, sites=None):
    """`sites`: each taxon's sites, the DNA block before the regions' block (with --data)."""
    tokens = words(text.replace(';', ' ; '))
    title = re.search(r"xread\n'([^']*)'", text)
    if not check(tokens[0] == 'nstates' and tokens[1] in ('8', '16', '32') and tokens[2] == ';'
                 and title, f'{name}: TNT header'):
        return
    commands = re.sub("'[^']*'", ' ', text[title.end():])  # comments are quoted
    tokens = words(commands.replace('proc/;', 'proc/').replace(';', ' ; '))
    nchar, ntax, at, offset = int(tokens[0]), int(tokens[1]), 2, len(sites[0]) if sites else 0
    if sites:
        check(tokens[2] == '&[dna]' and tokens[4:4 + 2 * ntax:2] == sites
              and tokens[3 + 2 * ntax] == '&[num]', f'{name}: the DNA block of xread')
        at = 4 + 2 * ntax
    names, cells = tokens[at:at + 2 * ntax:2], tokens[at + 1:at + 2 * ntax:2]
    check(len(cells) == len(rows) and all(len(c) == nchar - offset for c in cells),
          f'{name}: xread')
    at, matrices, assigned = at + 2 * ntax + 1, {}, {}
    while tokens[at] == 'smatrix':
        if tokens[at + 1] == '+':
            assigned[int(tokens[at + 3])] = tokens[at + 2]
            at += 5
            continue
        label, at, costs = tokens[at + 2].strip('()'), at + 3, {}
        while tokens[at] != ';':
            a, b = TNT_SYMBOLS.index(tokens[at][0]), TNT_SYMBOLS.index(tokens[at][2])
            costs[(a, b)] = int(tokens[at + 1])
            if tokens[at][1] == '/':
                costs[(b, a)] = int(tokens[at + 1])
            at += 2
        matrices[label] = costs
        at += 1
    check(tokens[at:] == ['proc/'], f'{name}: the TNT file does not end with proc/;')
    expected = sorted(n for n, (s, c) in regions.items() if exportable(s, c, 32)
                      and all(cell == '.' or 0 <= float(cell) <= 21474836.47
                              for row in c for cell in row))
    check(len(assigned) == nchar - offset == len(expected), f'{name}: TNT characters')
    for character, label in assigned.items():
        character -= offset
        number = int(label[len('Region_'):])
        symbols, matrix = regions[number]
        costs = matrices[label]
        k = len(symbols)
        check(len(costs) == k * (k - 1), f'{name}: {label} has {len(costs)} costs')
        for g in range(k):
            for h in range(k):
                if g != h:
                    check(costs.get((g, h)) == round(float(matrix[g][h]) * 100),
                          f'{name}: {label} {g}>{h}')
        for row, line in zip(rows, cells):
            want = symbols.index(row[number - 1]) if row[number - 1] in symbols else -1
            got = TNT_SYMBOLS.index(line[character]) if line[character] != '?' else -1
            check(want == got, f'{name}: {label} cell')


IUPAC = {'R': '{AG}', 'Y': '{CT}', 'S': '{CG}', 'W': '{AT}', 'K': '{GT}', 'M': '{AC}',
         'B': '{CGT}', 'D': '{AGT}', 'H': '{ACT}', 'V': '{ACG}', 'N': '?'}


def sites_of(data):
    """Each taxon's sites outside the regions of data file `data`, as DNA codes."""
    lines = [line for line in data.split('\n') if line.strip(' \t\r')]
    head = lines[0].split()
    spans = [list(map(int, span.split('-'))) for span in lines[1].split()]
    keep = [s for s in range(1, int(head[1]) + 1) if not any(a <= s <= b for a, b in spans)]
    codes = {head[3]: '-', head[4]: '?'}
    return [''.join(codes.get(c, c.upper()) for c in (line.split(None, 1)[1][s - 1] for s in keep))
            .replace('U', 'T') for line in lines[2:2 + int(head[0])]]


def export_all(work, name, *arguments):
    for args in arguments:
        done = run(work, export, *args.split())
        check(done.returncode == 0, f'{name}: vornax-export {args}: {done.stderr}')


def check_joined(work, data, regions, rows, name):
    """Every --data format of `data` and its StepMatrix, read by its readers."""
    dna, ntax = sites_of(data), len(rows)
    export_all(work, name, *(f'--data data.dat {args}' for args in (
        '-o j.nex', '--tnt -o j.tnt', '--format mixed -o m.nex', '--format phylip -o p.phy')))
    check_ncl(os.path.join(work, 'j.nex'), regions, rows, f'{name} --data',
              [''.join(IUPAC.get(c, c) for c in row) for row in dna])
    check_tnt(pathlib.Path(work, 'j.tnt').read_text('latin-1'), regions, rows, f'{name} tnt', dna)
    # MrBayes reads standard characters of at most 10 states.
    characters = [n for n, (s, c) in sorted(regions.items()) if 2 <= len(s) <= 10]
    matrix = normalized(os.path.join(work, 'm.nex'), f'{name} mixed')[1]
    check(matrix[:ntax] == [dna[t] + coded(regions, row, characters, TNT_SYMBOLS)
                            for t, row in enumerate(rows)], f'{name} mixed: NCL matrix')
    mb = run(work, 'mb', stdin='execute m.nex\nquit\n').stdout
    check(all(line in mb for line in ('partition 1 is Dna', 'partition 2 is Standard',
                                      'Successfully read matrix')) and 'rror' not in mb,
          f'{name} mixed: MrBayes: {mb[-800:]}')
    # IQ-TREE reads the two files that the partition file names as DNA and MORPH (--keep-ident:
    # 2.0.7 crashes when it sets identical taxa aside from files of two types).
    iq = run(work, *'iqtree2 -p p.partitions -n 0 -T 1 --keep-ident --prefix iq -quiet'.split())
    report = open(os.path.join(work, 'iq.iqtree')).read() if iq.returncode == 0 else iq.stdout
    check(re.search(rf'sites +DNA\t{ntax}\t{len(dna[0])}\t', report) and re.search(
        rf'regions +MORPH\t{ntax}\t{sum(2 <= len(s) <= 32 for s, c in regions.values())}\t',
        report), f'{name}: IQ-TREE: {report}')


def check_exports(name, data=None, weights='1\n2\n1', step_matrix=None):
    """Both formats of `step_matrix` or of vornax's from `data`, and every --data format."""
    with tempfile.TemporaryDirectory() as work:
        pathlib.Path(work, 'data.dat' if data else 'StepMatrix').write_text(data or step_matrix,
                                                                            'latin-1')
        if data:
            check(run(work, vornax, stdin=f'data.dat\n{weights}\n').returncode == 0, name)
        regions, rows = shown(open(os.path.join(work, 'StepMatrix'), encoding='latin-1').read())
        export_all(work, name, '-o out.nex', '--tnt -o out.tnt')
        check_ncl(os.path.join(work, 'out.nex'), regions, rows, name)
        check_python_readers(os.path.join(work, 'out.nex'), name)
        check_tnt(pathlib.Path(work, 'out.tnt').read_text('latin-1'), regions, rows, name)
        if data:
            check_joined(work, data, regions, rows, name)


def many_states(counts, seed):
    """A data file of 100 taxa with one region per entry of `counts`, of that many states."""
    rng = random.Random(seed)
    sequences, bounds, site = [''] * 100, [], 3
    for count in counts:
        sequences = [s + 'ACGTRNU?-w'[t % 10] + 'C' for t, s in enumerate(sequences)]  # 2 sites
        states = set()
        while len(states) < count:
            states.add(''.join(rng.choice('ACGT') for _ in range(rng.randint(14, 20))))
        states = sorted(states)
        width = max(map(len, states))
        for t in range(100):
            sequences[t] += states[t % count].ljust(width, '-')
        bounds.append(f'{site}-{site + width - 1}')
        site += width + 2
    taxa = ''.join(f'taxon_{t:03d}\t{s}\n' for t, s in enumerate(sequences))
    return f'100 {site - 3} {len(counts)} - ?\n{" ".join(bounds)}\n{taxa}'


for example in sorted(os.listdir(examples)):
    if example.endswith('.dat'):
        check_exports(example, pathlib.Path(examples, example).read_text('latin-1'))
check_exports('a hand-made StepMatrix', step_matrix=open(hand_made, encoding='latin-1').read())
check_exports('regions of 2 to 96 states', many_states([2, 30, 55, 60, 96], 1))
for seed in (1, 2):
    check_exports(f'unusual weights, seed {seed}', many_states([3, 5, 8, 12, 20], seed),
                  '0.37\n1e6\n2.5')
print('\n'.join(failures[:40]))
print(f"{checks[0]} checks, {len(failures)} failed")
sys.exit(1 if failures else 0)
