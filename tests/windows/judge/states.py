"""Compares the states of one script run on the model and on the system's
windows, step by step, apart from the window system's name.

The system's tab control lays the palette's buttons out in rows of its own (its
font and spacing), so there the palette may have another number of rows and with
them another height. That, and what follows from it, is allowed and nothing
else: the main window, which the palette sizes, is taller or shorter by the same
amount D, and a window placed below it may start D lower and be D shorter. The rows
and D are printed, for the record.

A message box on the model is a form of the host's, "MessageBox"; on the system
it is the system's own box, which is none of the host's forms: while one is up,
the model's box form, its place in the z-order and its activation are left out.

    states.py MODEL_STATES SYSTEM_STATES   (the --json output, a state a line)
"""
import json
import sys

PALETTE_HEIGHTS = ("height", "min_height", "parent_max_height")
model, system = ([json.loads(line) for line in open(path)] for path in sys.argv[1:3])
if len(model) != len(system):
    sys.exit("%d states on the model, %d on the system" % (len(model), len(system)))
failures = []
rows = {}  # (model's rows, system's rows, D): the steps
for step, (m, s) in enumerate(zip(model, system)):
    if (m.pop("window_system"), s.pop("window_system")) != ("model", "system"):
        sys.exit("state %d does not name its window system" % step)
    if "MessageBox" in m["z_order"]:
        m["forms"] = [f for f in m["forms"] if f["name"] != "MessageBox"]
        m["z_order"].remove("MessageBox")
        if m["active_window"] == "MessageBox":
            m["active_window"] = ""
    mp, sp = m["palette"], s["palette"]
    d, model_rows = sp["height"] - mp["height"], mp["rows"]
    if sp["rows"] == mp["rows"] and d:
        failures.append("state %d: the same rows, palettes %d apart" % (step, d))
    for key in PALETTE_HEIGHTS:
        if sp[key] - mp[key] not in (0, d):
            failures.append("state %d: palette %s %d, not %d" % (step, key, sp[key], mp[key] + d))
    for key in PALETTE_HEIGHTS + ("rows",):
        mp[key] = sp[key]
    for mf, sf in zip(m["forms"], s["forms"]):
        main = mf["name"] == "AppBuilder"
        allowed = {"height": (d,) if main else (0, -d), "top": (0,) if main else (0, d)}
        for key, deltas in allowed.items():
            if sf[key] - mf[key] in deltas:
                mf[key] = sf[key]
    if m != s:
        keys = sorted(k for k in m if m[k] != s.get(k))
        failures.append("state %d differs in %s:\nmodel  %s\nsystem %s" %
                        (step, keys, [m[k] for k in keys], [s.get(k) for k in keys]))
    rows.setdefault((model_rows, sp["rows"], d), []).append(step)
for (model_rows, system_rows, d), steps in sorted(rows.items()):
    print("palette rows %d on the model, %d on the system, D = %d: states %s" %
          (model_rows, system_rows, d, ",".join(map(str, steps))))
if failures:
    sys.exit("\n".join(failures))
