#!/usr/bin/env bash
# Writes, on standard output, the ngspice netlist of the driver's terminated line:
# the 0.1 m two-conductor line as ngspice's coupled-line model (CPL, R = G = 0)
# with the program's C and L typed in, the 1 V trapezoid in series with conductor
# 1 at the near end, and each termination matrix Z as the resistors of its nodal
# admittance inv(Z) (Y11 + Y12 and Y22 + Y12 to ground, -Y12 between; above 1e9 S
# a short, below 1e-9 S nothing), as the validation tests build it. The transient
# writes the near-end and far-end voltages of both conductors to OUTPUT.
#
# usage: ngspice_line.sh NUMBERS STEP STOP OUTPUT
#   NUMBERS  16 numbers, one a line, each matrix column by column: ct (F/m),
#            lt (H/m), Zs and Zl (ohm), as mexhost prints them with
#            fprintf('%.17g\n', ct, lt, Zs, Zl)
#   STEP     the transient's step and largest internal step, seconds
#   STOP     its stop time, seconds
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: ngspice_line.sh NUMBERS STEP STOP OUTPUT" >&2; exit 2; }

awk -v step="$2" -v stop="$3" -v output="$4" '
  { v[NR] = $1 }
  function element(name, a, b, g) {
    if (g < 1e-9 && g > -1e-9) return
    if (g > 1e9) printf "V%s %s %s 0\n", name, a, b
    else printf "R%s %s %s %.17g\n", name, a, b, 1 / g
  }
  # Z column by column from v[k]: z11 = v[k], z21 = v[k+1], z12 = v[k+2], z22 = v[k+3].
  function network(tag, k, node1, node2,   det, y11, y22, y12) {
    det = v[k] * v[k + 3] - v[k + 2] * v[k + 1]
    y11 = v[k + 3] / det
    y22 = v[k] / det
    y12 = -0.5 * (v[k + 1] + v[k + 2]) / det
    element(tag "g1", node1, "0", y11 + y12)
    element(tag "g2", node2, "0", y22 + y12)
    element(tag "12", node1, node2, -y12)
  }
  END {
    if (NR != 16) { print "ngspice_line.sh: expected 16 numbers, got " NR > "/dev/stderr"; exit 1 }
    print "* two signal conductors over a reference, driven on conductor 1"
    print "VS n1 s1 PULSE(0 1 0 0.5n 0.5n 9.5n 1)"
    network("s", 9, "s1", "n2")
    print "P1 n1 n2 0 f1 f2 0 line"
    print ".model line CPL length=0.1 R=0 0 0 G=0 0 0"
    printf "+ L=%.17g %.17g %.17g\n", v[5], 0.5 * (v[6] + v[7]), v[8]
    printf "+ C=%.17g %.17g %.17g\n", v[1], 0.5 * (v[2] + v[3]), v[4]
    network("l", 13, "f1", "f2")
    print ".control"
    print "set wr_singlescale"
    printf "tran %s %s 0 %s\n", step, stop, step
    printf "wrdata %s v(n1) v(n2) v(f1) v(f2)\n", output
    print "quit"
    print ".endc"
    print ".end"
  }' "$1"
