#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes src/sim/trapezoidal_step_x87.inc, the x87 instructions of one
trapezoidal step (FastStep::step in src/sim/trapezoidal_step.h):

    python3 tools/x87_step_schedule.py > src/sim/trapezoidal_step_x87.inc

Each operation is the one of the plain loop, on the same operands, in the
same order within each sum; only the places the values wait in change.
The script keeps the register stack as it goes, so that every st(i) names
the value meant, and fails if the schedule needs a ninth register.

The schedule keeps 80-bit loads and stores (each several times the cost of
an arithmetic operation) to 30 per step: each state value is loaded once,
w2 and w3 stay in registers from the first product to the second, and the
second product runs over four rows, then three, at a time, so that each
other w_c is stored once and loaded twice.
"""
import sys

ROWS_A = {0: [(0, 4)], 1: [(1, 5), (2, 6)], 2: [(3, 2), (4, 3), (5, 6)], 3: [(6, 2), (7, 3)],
          4: [(8, 0), (9, 1), (10, 4), (11, 5)], 5: [(12, 0), (13, 1), (14, 4), (15, 5)],
          6: [(16, 1), (17, 2), (18, 6)]}
# Byte offsets of the constants in FastStep (checked there by static_assert).
A_OFF = lambda k: 16 * k
HB_OFF = {4: 304, 5: 320}
Q_OFF = lambda r, c: 336 + 16 * (7 * r + c)
H2_OFF = 1120
ZERO_OFF = 1136
LD = 16  # stride of long double

out = []
stack = []  # stack[0] is st(0): names of values


def emit(s):
    out.append(s)


def pos(name):
    return stack.index(name)


def push(name):
    assert len(stack) < 8, "x87 stack overflow at " + name
    assert name not in stack
    stack.insert(0, name)


def load_ext(name, mem):
    emit("fldt %s" % mem)
    push(name)


def load_split(name, off):
    emit("fldl %d(%%[k])" % off)
    emit("faddl %d(%%[k])" % (off + 8))
    push(name)


def dup(src, name):
    i = pos(src)
    emit("fld %%%%st(%d)" % i)
    push(name)


def mul_top(src):  # st0 := st0 * src
    i = pos(src)
    assert i != 0
    emit("fmul %%%%st(%d), %%%%st" % i)


def add_pop_into(dst, newname):  # dst := dst + st0, pop
    i = pos(dst)
    assert i != 0
    emit("faddp %%%%st, %%%%st(%d)" % i)
    stack[i] = newname
    stack.pop(0)


def to_top(name):
    i = pos(name)
    if i != 0:
        emit("fxch %%%%st(%d)" % i)
        stack[0], stack[i] = stack[i], stack[0]


def store_pop(name, mem):
    to_top(name)
    emit("fstpt %s" % mem)
    stack.pop(0)


def discard(name):
    i = pos(name)
    emit("fstp %%%%st(%d)" % i)
    # st(i) := st(0), pop
    stack[i] = stack[0]
    stack.pop(0)


def xm(c):
    return "%d(%%[x])" % (LD * c)


def wm(c):
    return "%d(%%[w])" % (LD * c)


# ---- A part: w_r := x_r + sum (A_rc x_c) h2 [+ hb_r u] ----------------
def row_a(r, keep=False):
    s = "s%d" % r
    dup("x%d" % r, s)
    for k, c in ROWS_A[r]:
        load_split("t", A_OFF(k))
        mul_top("x%d" % c)
        mul_top("h2")
        add_pop_into(s, s)
    if r in HB_OFF:
        load_split("t", HB_OFF[r])
        mul_top("u")
        add_pop_into(s, s)
    if keep:
        stack[pos(s)] = "w%d" % r
    else:
        store_pop(s, wm(r))


load_split("h2", H2_OFF)
for c in (0, 1, 4, 5):
    load_ext("x%d" % c, xm(c))
load_ext("u", "%[u]")
row_a(4)
row_a(5)
discard("u")
row_a(0)
discard("x0")
discard("x4")
load_ext("x6", xm(6))
row_a(1)
discard("x5")
load_ext("x2", xm(2))
row_a(6)
discard("x1")
load_ext("x3", xm(3))
row_a(2, keep=True)
discard("x6")
row_a(3, keep=True)
for n in ("h2", "x2", "x3"):
    discard(n)
assert sorted(stack) == ["w2", "w3"], stack

# ---- Q part: x_r := sum_c Q_rc w_c, from +0, c = 0..6 -----------------
HELD = ("w2", "w3")
for group in ((0, 1, 2, 3), (4, 5, 6)):
    for c in range(7):
        wc = "w%d" % c
        if wc not in HELD:
            load_ext(wc, wm(c))
        for r in group:
            acc = "acc%d" % r
            if c == 0:
                load_split(acc, Q_OFF(r, 0))
                mul_top(wc)
                emit("faddl %d(%%[k])" % ZERO_OFF)
            else:
                load_split("t", Q_OFF(r, c))
                mul_top(wc)
                add_pop_into(acc, acc)
        if wc not in HELD:
            discard(wc)
        if group == (4, 5, 6) and c == 3:
            discard("w2")
            discard("w3")
    for r in group:
        store_pop("acc%d" % r, xm(r))
assert stack == [], stack

print("// SPDX-License-Identifier: GPL-3.0-or-later")
print("// Written by tools/x87_step_schedule.py: regenerate rather than edit.")
print("\n".join('"%s\\n"' % l for l in out))
n80 = sum(1 for l in out if l.startswith(("fldt", "fstpt")))
print("// %d instructions, %d 80-bit loads and stores" % (len(out), n80), file=sys.stderr)
