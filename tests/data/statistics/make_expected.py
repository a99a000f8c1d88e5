#!/usr/bin/env python3
# Expected values of the group statistics, computed once with SciPy and statsmodels from the
# members' counts beside this script (counts_*.csv: one member a row, the 36 cells of
# profiles 1, 2 and 3 as answer counts). The suite compares the program with the files this
# writes and does not need Python to run.
#
#   python3 make_expected.py    (Debian: python3-scipy python3-statsmodels)
import csv
import math

import numpy as np
from scipy import stats
from statsmodels.stats.multitest import multipletests

HERE = __file__.rsplit('/', 1)[0] if '/' in __file__ else '.'
# The women's norm row, the percentages of profiles 1, 2 and 3.
WOMEN = [18.5, 16.5, 17.7, 18.4, 14.3, 14.5,
         7.9, 7.0, 8.3, 8.0, 6.2, 6.6, 10.6, 9.6, 9.4, 10.4, 8.1, 8.0,
         6.1, 5.3, 6.7, 6.0, 4.4, 4.5, 5.9, 5.4, 5.6, 6.4, 5.3, 4.5, 6.5, 5.8, 5.3, 6.0, 4.6, 5.5]


def percents(name):
    with open(f'{HERE}/{name}', newline='') as f:
        rows = list(csv.reader(f))[1:]
    return np.array([[int(v) * 100 / 108 for v in row] for row in rows])


def holm(p):
    tested = [i for i, v in enumerate(p) if v is not None]
    adjusted = [None] * len(p)
    if tested:
        values = multipletests([p[i] for i in tested], method='holm')[1]
        for i, v in zip(tested, values):
            adjusted[i] = v
    return adjusted


def write(name, heading, rows):
    with open(f'{HERE}/{name}', 'w', newline='') as f:
        out = csv.writer(f, lineterminator='\n')
        out.writerow(heading)
        for row in rows:
            out.writerow(['' if v is None else repr(float(v)) for v in row])


def against_norm(group, out):
    x = percents(group)
    rows, p = [], []
    for c in range(36):
        v, mu = x[:, c], WOMEN[c]
        n, mean = len(v), v.mean()
        if n < 2 or np.ptp(v) == 0:  # no variance: no test
            rows.append([n, mean if n else None, None, None, mu] + [None] * 5)
            p.append(None)
            continue
        test = stats.ttest_1samp(v, mu)
        low, high = test.confidence_interval(0.95)
        sd = v.std(ddof=1)
        rows.append([n, mean, low, high, mu, mean - mu, (mean - mu) / sd, test.statistic,
                     n - 1, test.pvalue])
        p.append(test.pvalue)
    for row, adjusted in zip(rows, holm(p)):
        row.append(adjusted)
    write(out, ['n', 'mean', 'low', 'high', 'norm', 'difference', 'd', 't', 'df', 'p', 'holm'],
          rows)


def welch(a, b):
    n1, n2 = len(a), len(b)
    v1, v2 = a.var(ddof=1) / n1, b.var(ddof=1) / n2
    test = stats.ttest_ind(a, b, equal_var=False)
    df = (v1 + v2) ** 2 / ((v1 ** 2 / (n1 - 1) if v1 else 0) + (v2 ** 2 / (n2 - 1) if v2 else 0))
    # The p of the Welch df computed here must be SciPy's own.
    assert math.isclose(2 * stats.t.sf(abs(test.statistic), df), test.pvalue, rel_tol=1e-9)
    margin = stats.t.ppf(0.975, df) * math.sqrt(v1 + v2)
    diff = a.mean() - b.mean()
    pooled = math.sqrt(((n1 - 1) * a.var(ddof=1) + (n2 - 1) * b.var(ddof=1)) / (n1 + n2 - 2))
    g = diff / pooled * (1 - 3 / (4 * (n1 + n2) - 9))
    return [diff, diff - margin, diff + margin, g, test.statistic, df, test.pvalue]


def leading(x):
    counts = np.zeros(6)
    for member in x:
        top = member[:6].max()
        tied = member[:6] == top
        counts += tied / tied.sum()
    return counts


def two_groups(first, second, out):
    a, b = percents(first), percents(second)
    rows, p = [], []
    for c in range(36):
        u, v = a[:, c], b[:, c]
        row = [len(u), u.mean(), len(v), v.mean()]
        if len(u) < 2 or len(v) < 2 or (np.ptp(u) == 0 and np.ptp(v) == 0):
            rows.append(row + [None] * 7)
            p.append(None)
            continue
        tested = welch(u, v)
        rows.append(row + tested)
        p.append(tested[-1])
    for row, adjusted in zip(rows, holm(p)):
        row.append(adjusted)
    write(out, ['n1', 'mean1', 'n2', 'mean2', 'difference', 'low', 'high', 'g', 't', 'df', 'p',
                'holm'], rows)
    table = np.array([leading(a), leading(b)])
    used = table[:, table.sum(axis=0) > 0]
    x2, pv, df, expected = stats.chi2_contingency(used, correction=False)
    v = math.sqrt(x2 / (used.sum() * (min(used.shape) - 1)))
    write(out.replace('.csv', '_leading.csv'), ['x2', 'df', 'p', 'v', 'below5'],
          [[x2, df, pv, v, (expected < 5).sum()]])


against_norm('counts_a.csv', 'expected_norm_a.csv')
against_norm('counts_c.csv', 'expected_norm_c.csv')
two_groups('counts_a.csv', 'counts_b.csv', 'expected_a_b.csv')
two_groups('counts_b.csv', 'counts_c.csv', 'expected_b_c.csv')


def standings(norm_group, examinees, out):
    # Each examinee among the norm group's members: T = 50 + 10 z, the percentile rank by
    # mid-rank (SciPy's kind='mean').
    x, y = percents(norm_group), percents(examinees)
    rows = []
    for member in y:
        for c in range(36):
            v = x[:, c]
            t = None if np.ptp(v) == 0 else 50 + 10 * (member[c] - v.mean()) / v.std(ddof=1)
            rows.append([t, stats.percentileofscore(v, member[c], kind='mean')])
    write(out, ['t', 'percentile'], rows)


standings('counts_a.csv', 'counts_c.csv', 'expected_standing_c_in_a.csv')
