#!/bin/sh
# Writes a data file of TAXA taxa (default 500000) of one site each, with 99 regions of that
# one site, to standard output: a small file whose coded data matrix is large, to measure
# vornax's memory (/usr/bin/time -f %M vornax -q data.dat).
# Usage: bench/many_taxa.sh [TAXA] >data.dat
awk -v n="${1:-500000}" 'BEGIN {
  printf "%d 1 99 - ?\n", n
  for (r = 1; r <= 99; r++) printf "%s1-1", (r > 1 ? " " : "")
  printf "\n"
  for (t = 1; t <= n; t++) printf "t%d %s\n", t, substr("ACGT", t % 4 + 1, 1)
}'
