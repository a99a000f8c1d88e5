# Writes the end-to-end test data: response files and the reports expected for them, computed
# here independently of the program (scoring key, chi-square, grid and report formats), so the
# suite compares the program against a second implementation. Run from tests/data:
#   python3 make_endtoend.py .
# The group's member lines are written in code order; the suite sorts the listed members the
# same way, since the program lists them in the file system's order.
# It also writes the table of examinees expected for each analysis (every column; chi-squares
# and answer-time statistics to six significant digits, the other numbers at full precision,
# the norm named after them, then the answer-quality figures and verdict) and the rows of a group's "Группа" sheet, as CSV with "," and a point.
from decimal import Decimal, ROUND_HALF_UP
import csv, datetime, math, os, sys

KEY = b"quorta"
T,C,U,K,P,A = range(6)
SCORING = [(U,U),(C,C),(T,T),(K,K),(P,P),(A,A),(T,C),(C,U),(U,K),(K,P),(P,A),(A,P),
           (T,U),(C,K),(U,P),(K,A),(P,K),(A,T),(T,A),(C,T),(U,C),(K,U),(A,K),(P,T),
           (C,P),(T,K),(U,T),(A,C),(P,U),(T,P),(C,A),(K,T),(P,C),(A,U),(U,A),(K,C)]
NAMES = ["Преобразование","Коммуникация  ","Утилитарность ","Кооперация    ","Конкуренция   ","Достижение    "]
N1 = [[18.1,15.7,17.3,19.3,13.9,15.7],[18.5,16.5,17.7,18.4,14.3,14.5],[19.9,15.9,17.5,18.8,12.9,14.9],
      [17.4,16.5,17.6,18.6,14.9,15.0],[18.5,16.3,16.5,19.4,13.9,15.3]]
N2 = [[8.9,7.3,9.0,9.2,6.4,7.8,9.2,8.4,8.3,10.1,7.5,8.0],[7.9,7.0,8.3,8.0,6.2,6.6,10.6,9.6,9.4,10.4,8.1,8.0],
      [9.9,7.3,9.7,9.5,6.2,7.3,10.1,8.6,7.82,9.31,6.7,7.6],[7.2,6.9,7.8,7.8,6.3,6.8,10.2,9.57,9.7,10.9,8.6,8.2],
      [8.7,7.7,8.1,9.3,6.3,7.6,9.8,8.5,8.4,10.1,7.6,7.7]]
N3 = [[5.7,5.0,6.7,6.9,4.1,5.1,6.1,5.2,5.7,6.3,4.8,5.3,6.3,5.5,4.9,6.1,4.9,5.3],
      [6.1,5.3,6.7,6.0,4.4,4.5,5.9,5.4,5.6,6.4,5.3,4.5,6.5,5.8,5.3,6.0,4.6,5.5],
      [6.6,4.9,6.8,6.8,3.6,4.6,6.4,5.3,5.5,6.2,4.6,5.4,6.9,5.7,5.2,5.9,4.7,5.8],
      [5.6,5.4,6.7,5.8,4.7,4.8,5.7,5.4,5.8,6.5,5.4,4.8,6.1,5.7,5.1,6.2,4.7,5.8],
      [6.0,5.3,6.4,6.8,3.7,4.7,6.2,5.1,5.4,6.5,5.4,4.9,6.4,5.9,4.7,6.1,4.8,5.7]]
CRIT = [11.07, 19.67, 26.36]

def fixed(x, decimals, width=0, sep="."):
    d = Decimal(repr(float(x))).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
    if d == 0: d = abs(d)
    s = format(d, "f").replace(".", sep)
    return s.rjust(width)

def sig5(x, sep):
    d = Decimal(repr(float(x)))
    if d != 0:
        e = d.adjusted()
        d = d.quantize(Decimal(1).scaleb(e - 4), rounding=ROUND_HALF_UP)
    return fixed(float(d), 2, 0, sep)

def scramble(b):
    return bytes(c ^ KEY[i % 6] for i, c in enumerate(b))

def make_file(path, header, marks, times, sep):
    lines = header + ["разделитель"]
    for (r, p), t in zip(marks, times):
        lines.append("%5d%5d%8s" % (r, p, ("%.1f" % t).replace(".", sep)))
    data = "\r\n".join(lines).encode("cp1251")
    open(path, "wb").write(scramble(data))

def score(marks):
    counts = [0]*36
    for n, (r, p) in enumerate(marks):
        s, j = n // 36, n % 36
        if r == 1: counts[SCORING[j][0]*6 + s*2] += 1
        if p == 1: counts[SCORING[j][1]*6 + s*2 + 1] += 1
    p1 = [sum(counts[m*6:m*6+6]) for m in range(6)]
    p2 = [counts[m*6+o] + counts[m*6+2+o] + counts[m*6+4+o] for o in range(2) for m in range(6)]
    p3 = [counts[m*6+s*2] + counts[m*6+s*2+1] for s in range(3) for m in range(6)]
    return counts, p1, p2, p3

def chis(obs, norm):
    cells, x2 = [], 0.0
    for o, n in zip(obs, norm):
        e = n * 1.08
        first = (o - e)**2 / e
        cells.append(first + ((108 - o) - (108 - e))**2 / (108 - e))
        x2 += first
    return cells, x2

def report(h, counts, p1, p2, p3, group, sep, kind, sex, educ):
    # grid texts as the window shows them
    cnt = (lambda v: "    %2d" % round(v)) if not group else (lambda v: "  " + fixed(v, 1, 4, sep))
    dec = lambda v: "  " + fixed(v, 1, 4, sep)
    row = 2*(kind-1) + (1 if (kind == 1 and sex == "Женский") or (kind == 2 and educ == "Среднее") else 0)
    c1, x21 = chis(p1, N1[row]); c2, x22 = chis(p2, N2[row]); c3, x23 = chis(p3, N3[row])
    mgrid = []
    for m in range(6):
        cells = [" %d. %s" % (m+1, NAMES[m])] + [cnt(counts[m*6+k]) for k in range(6)]
        cells += [cnt(p1[m]), dec(p1[m]*100/108), "   " + fixed(c1[m], 1, 4, sep)]
        mgrid.append(cells)
    def grid(p, c):
        return [[" Сумма баллов"] + [cnt(v) for v in p], [" % "] + [dec(v*100/108) for v in p],
                [" Xм2 "] + [dec(v) for v in c]]
    g2, g3 = grid(p2, c2), grid(p3, c3)
    parse = lambda t: float(t.strip().replace(sep, "."))
    incl = parse(mgrid[3][7]) - parse(mgrid[2][7])
    innov = parse(g2[1][1]) + parse(g2[1][6])
    cap = lambda v: "[X2(профиль)кр. = %s для p = 0.05] " % fixed(v, 2, 5, sep)
    L = []
    L.append("Код: " + h["code"]); L.append("Дата обследования: " + h["date"])
    L.append(("Группа: Группа") if group else ("Ф.И.О.: " + h["name"]))
    if sex: L.append("Пол: " + sex)
    if educ: L.append("Образование: " + educ)
    if not group: L.append("Возраст: " + h["age"])
    L.append("Нормирование: " + ["Пол", "Образование", "Удовлетворенность"][kind-1])
    L.extend(h["hint"])
    L.append("")
    L.append("Включенность в коллектив: " + fixed(incl, 1, 0, sep))
    L.append(" Инновационный потенциал: " + fixed(innov, 1, 0, sep))
    L.append("")
    L.append("Профиль 1.  X2 = " + sig5(x21, sep) + "  " + cap(CRIT[0]))
    L.append("                       Деньги    Коллектив      Труд")
    L.append("Смыслообраз. мотивы   РО    ПО    РО    ПО    РО    ПО  балл.  %      X2м")
    for cells in mgrid: L.append("".join(cells))
    L.append("")
    pt = lambda t: fixed(parse(t), 1, 6, ".")
    nums = "                  1     2     3     4     5     6     1     2     3     4     5     6"
    L.append("Профиль 2.  X2 = " + sig5(x22, sep) + "  " + cap(CRIT[1]))
    L.append("                      Результирующая ориентация          Процессуальная ориентация")
    L.append(nums)
    for r in g2: L.append(r[0].rjust(13) + "".join(pt(t) for t in r[1:13]))
    L.append("")
    L.append("Профиль 3.  X2 = " + sig5(x23, sep) + "  " + "[X2(профиль)кр. = %s для p = 0.05]    [X2(мотив)кр. = %s для p = 0.05]" % (fixed(CRIT[2], 2, 5, sep), fixed(3.84, 2, 5, sep)))
    L.append("                            Д е н ь г и                   К о л л е к т и в")
    L.append(nums)
    for r in g3: L.append(r[0].rjust(13) + "".join(pt(t) for t in r[1:13]))
    L.append("                              Т р у д")
    L.append(nums[:49])
    for r in g3: L.append(r[0].rjust(13) + "".join(pt(t) for t in r[13:19]))
    L.append("")
    L.append("Комментарий к анализу")
    return ("\r\n".join(L) + "\r\n").encode("cp1251")

def norm_row(kind, sex, educ):
    return 2*(kind-1) + (1 if (kind == 1 and sex == "Женский") or (kind == 2 and educ == "Среднее") else 0)

def age_text(test, birth):
    day = datetime.date(1899, 12, 30) + (test - birth)
    return "%02d.%02d" % (day.year % 100, day.month)

def time_stats(times):
    mean = sum(times) / 108
    return mean, math.sqrt(sum((mean - t)**2 for t in times) / 107)

def sig6(x):
    return float("%.6g" % x)

def norm_name(kind, row):
    return ["мужчины", "женщины", "высшее образование", "среднее образование",
            "удовлетворенность", "удовлетворенность"][row]

def plural(n, one, few, many):
    if 11 <= n % 100 <= 14: return many
    return one if n % 10 == 1 else few if 2 <= n % 10 <= 4 else many

def quality(marks, times):
    # The answer-quality columns: answers under 2 s, the longest run of one statement, items
    # without a mark or with both, the share of the time on the fastest 27 items, the verdict.
    choice = ["N" if m == (0, 0) else "B" if m == (1, 1) else "R" if m == (1, 0) else "P"
              for m in marks]
    longest = run = 0
    prev = None
    for c in choice:
        run = (run + 1 if c == prev else 1) if c in "RP" else 0
        prev = c
        longest = max(longest, run)
    unanswered, double = choice.count("N"), choice.count("B")
    timed = any(t > 0 for t in times)
    fast = sum(1 for t in times if t < 2) if timed else 0
    share = sum(sorted(times)[:27]) / sum(times) if timed else 0
    reasons = []
    if timed and fast >= 11:
        reasons.append("%d %s быстрее 2 с" % (fast, plural(fast, "ответ", "ответа", "ответов")))
    if longest >= 15:
        reasons.append("%d %s подряд" % (longest, plural(longest, "одинаковый выбор", "одинаковых выбора", "одинаковых выборов")))
    if unanswered:
        reasons.append("без ответа: %d %s" % (unanswered, plural(unanswered, "пункт", "пункта", "пунктов")))
    if double:
        reasons.append("обе отметки: %d %s" % (double, plural(double, "пункт", "пункта", "пунктов")))
    if timed and share < 0.05:
        reasons.append("на самую быструю четверть пунктов ушло %s %% времени" % fixed(share * 100, 1))
    verdict = "ответы требуют проверки: " + "; ".join(reasons) if reasons else ""
    na = "не измерялось"
    return [fast if timed else na, longest, unanswered, double,
            float(fixed(share * 100, 1)) if timed else na, verdict]

def table_row(file, fields, marks, times, kind, row):
    # One examinee as if opened alone: whole scores, percentages shown with one decimal.
    counts, p1, p2, p3 = score(marks)
    c1, x21 = chis(p1, N1[row]); c2, x22 = chis(p2, N2[row]); c3, x23 = chis(p3, N3[row])
    shown = lambda v: float(fixed(v * 100 / 108, 1))
    incl = p1[K] - p1[U]
    innov = shown(p2[T]) + shown(p2[A])
    mean, sd = time_stats(times)
    return ([file] + fields + p1 + p2 + p3 + [sig6(c) for c in c1 + c2 + c3] +
            [sig6(x21), sig6(x22), sig6(x23), incl, innov, sig6(mean), sig6(sd), norm_name(kind, row)] +
            quality(marks, times))

def write_csv(path, rows):
    with open(path, "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\r\n")
        for r in rows:
            w.writerow([repr(float(v)) if isinstance(v, (int, float)) else v for v in r])

def group_sheet(header, means, kind, sex, educ, sep):
    counts, p1, p2, p3 = means
    row = norm_row(kind, sex, educ)
    c1, x21 = chis(p1, N1[row]); c2, x22 = chis(p2, N2[row]); c3, x23 = chis(p3, N3[row])
    shown = lambda v: float(fixed(v, 1))
    incl = shown(p1[K]) - shown(p1[U])
    innov = shown(p2[T] * 100 / 108) + shown(p2[A] * 100 / 108)
    cap = lambda v: "[X2(профиль)кр. = %s для p = 0.05]" % fixed(v, 2, 5, sep)
    motives = [n.strip() for n in NAMES]
    # Headed with who the group is, counted from its members' header lines.
    people = header["members"]
    women = sum(1 for p in people if p["sex"] == "Женский")
    men = sum(1 for p in people if p["sex"] == "Мужской")
    higher = sum(1 for p in people if p["educ"] == "Высшее")
    secondary = sum(1 for p in people if p["educ"] == "Среднее")
    ages = sorted(p["age"] for p in people)
    age = "%d" % ages[0] if ages[0] == ages[-1] else "%d–%d" % (ages[0], ages[-1])
    dates = sorted(p["test"] for p in people)
    day = lambda d: d.strftime("%d.%m.%Y")
    period = day(dates[0]) if dates[0] == dates[-1] else day(dates[0]) + "–" + day(dates[-1])
    rows = [["Группа: %d обследуемых (женщин %d, мужчин %d; высшее %d, среднее %d; возраст %s)"
             % (len(people), women, men, higher, secondary, age)],
            ["Обследования: " + period],
            ["Норма: " + norm_name(kind, norm_row(kind, sex, educ))],
            ["Нормирование", ["Пол", "Образование", "Удовлетворенность"][kind-1]],
            ["Дата анализа", header["date"]]]
    rows += [["Включенность в коллектив", incl], ["Инновационный потенциал", innov], []]
    rows.append(["Профиль 1", "X2", x21, cap(CRIT[0]).strip()])
    rows.append(["Смыслообразующие мотивы", "Деньги РО", "Деньги ПО", "Коллектив РО",
                 "Коллектив ПО", "Труд РО", "Труд ПО", "балл.", "%", "Хм2"])
    for m in range(6):
        rows.append([motives[m]] + counts[m*6:m*6+6] + [p1[m], p1[m] * 100 / 108, c1[m]])
    rows.append([])
    for number, groups, p, c, x2, caption in [
            (2, ["РО", "ПО"], p2, c2, x22, cap(CRIT[1])),
            (3, ["Деньги", "Коллектив", "Труд"], p3, c3, x23,
             cap(CRIT[2]) + "    [X2(мотив)кр. = %s для p = 0.05]" % fixed(3.84, 2, 5, sep))]:
        rows.append(["Профиль %d" % number, "X2", x2, caption.strip()])
        rows.append([""] + ["%s %s" % (g, m) for g in groups for m in motives])
        rows.append(["Сумма баллов"] + p)
        rows.append(["%"] + [v * 100 / 108 for v in p])
        rows.append(["Xм2"] + c)
        rows.append([])
    return rows

def examinee(seed):
    marks, times = [], []
    for n in range(1, 109):
        v = (n * 7 + seed * 13) % 11
        marks.append((1, 0) if v < 5 else (0, 1) if v < 10 else (0, 0))
        times.append(2.0 + ((n * 37 + seed * 5) % 181) / 10.0)
    return marks, times

out = sys.argv[1]
os.makedirs(out + "/endtoend_group", exist_ok=True)
timing = ["Начало теста: 10:15:02", "Окончание теста: 10:41:37", "Общее время: 26 мин 35 с", "Среднее время ответа: 14.8 с"]
# One examinee under a decimal point (en_US: M/d/yy dates).
marks, times = examinee(1)
make_file(out + "/endtoend_individual.cry",
          ["6/6/2006", "6/5/1966", "A-17", "Орлова Вера Павловна", "Женский", "Среднее"] + timing,
          marks, times, ".")
counts, p1, p2, p3 = score(marks)
h = {"code": "A-17", "date": "6/6/2006", "name": "Орлова Вера Павловна", "age": "40.01",
     "hint": ["Время выполнения:"] + timing}
open(out + "/endtoend_individual_point.txt", "wb").write(
    report(h, counts, p1, p2, p3, False, ".", 1, "Женский", "Среднее"))
write_csv(out + "/endtoend_individual_table.csv", [table_row(
    "endtoend_individual.cry", ["A-17", "Орлова Вера Павловна", "Женский", "Среднее", "6/6/2006", "40.01"],
    marks, [float("%.1f" % t) for t in times], 1, norm_row(1, "Женский", "Среднее"))])
# A group of three under a decimal comma (ru_RU), compared by education "Среднее".
members = []
sums = [[0.0]*36, [0.0]*6, [0.0]*12, [0.0]*18]
for i, (code, name) in enumerate([("201", "Белов Игорь Ильич"), ("202", "Зотова Анна Сергеевна"), ("203", "Кузин Олег Петрович")]):
    marks, times = examinee(2 + i)
    make_file(out + "/endtoend_group/%s.cry" % code,
              ["14.10.2025", "02.03.1980", code, name, "Мужской", "Высшее"] + timing, marks, [round(t, 1) for t in times], ",")
    s = score(marks)
    members.append(table_row("%s.cry" % code, [code, name, "Мужской", "Высшее", "14.10.2025",
                                              age_text(datetime.date(2025, 10, 14), datetime.date(1980, 3, 2))],
                             marks, [float(("%.1f" % round(t, 1))) for t in times], 2, norm_row(2, "", "Среднее")))
    for acc, vals in zip(sums, s):
        for k, v in enumerate(vals): acc[k] += v
means = [[v / 3 for v in acc] for acc in sums]
def whole_years(test, birth):
    return test.year - birth.year - ((test.month, test.day) < (birth.month, birth.day))

h = {"code": "3", "date": "07.12.2026", "name": "Группа", "age": "",
     "members": [{"sex": "Мужской", "educ": "Высшее", "test": datetime.date(2025, 10, 14),
                  "age": whole_years(datetime.date(2025, 10, 14), datetime.date(1980, 3, 2))}] * 3,
     "hint": ["Состав группы:", "201. Белов Игорь Ильич", "202. Зотова Анна Сергеевна",
              "203. Кузин Олег Петрович", "Общее число: 3"]}
open(out + "/endtoend_group_comma.txt", "wb").write(
    report(h, means[0], means[1], means[2], means[3], True, ",", 2, "", "Среднее"))
write_csv(out + "/endtoend_group_table.csv", members)
write_csv(out + "/endtoend_group_sheet.csv", group_sheet(h, means, 2, "", "Среднее", ","))
