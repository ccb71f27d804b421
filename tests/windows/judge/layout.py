"""Judges the IDE's windows as another process lists them against the add-in's
layout on the system's own work area and metrics: the main window without
caption or frame across the top of the work area, the Object TreeView and the
Object Inspector in a column at the left, the Project Manager at the bottom
left, the editor over the rest, the bar a top-most window at the top right
showing only its buttons. The settings are the tour's (captions hidden, editor
maximised, a 300-pixel Object Inspector).

    layout.py METRICS WINDOWS   (the lister's "workarea" and "list" output)
"""
import json
import sys

WS_CAPTION, WS_THICKFRAME = 0x00C00000, 0x00040000
INSPECTOR_HEIGHT = 300

metrics = json.load(open(sys.argv[1]))
windows = {w["title"]: w for w in map(json.loads, open(sys.argv[2]))}
area_left, area_top, area_right, area_bottom = metrics["workarea"]
cy_full, cy_min = metrics["fullscreen"][1], metrics["minimized"][1]
screen_height = metrics["screen"][1]
failures = []


def rect(title):
    if title not in windows:
        sys.exit("no window %r among %s" % (title, sorted(windows)))
    return windows[title]["rect"]


def expect(what, got, want):
    if got != want:
        failures.append("%s: %s, not %s" % (what, got, want))


main = rect("Delphi 7")
main_height = main[3] - main[1]
expect("the main window's styles have no caption or frame",
       windows["Delphi 7"]["style"] & (WS_CAPTION | WS_THICKFRAME), 0)
expect("the main window's left, top and width", main[:3],
       [area_left, area_top,
        area_left + metrics["maximized"][0] - 2 * metrics["frame"][0]])

tree = rect("Object TreeView")
tree_top = main_height + area_top
expect("the Object TreeView", tree,
       [main[0] + area_left, tree_top, tree[2],
        cy_full - cy_min - INSPECTOR_HEIGHT])
inspector = rect("Object Inspector")
expect("the Object Inspector", inspector, [main[0], tree[3], inspector[2], cy_full - cy_min])
manager = rect("Project Manager")
expect("the Project Manager", [manager[0], manager[3]], [main[0], screen_height - cy_min])
editor = rect("Unit1.pas")
expect("the editor", editor,
       [inspector[2], main_height, main[2] - main[0], screen_height - cy_min])
for title in ("Object TreeView", "Object Inspector", "Project Manager"):
    expect(title + " without caption or frame",
           windows[title]["style"] & (WS_CAPTION | WS_THICKFRAME), 0)

bar = windows["Minimize/Close"]
expect("the bar is top-most", bar["topmost"], True)
expect("the bar's region", bar["region"], [0, 0, 45, 15])
expect("the bar's shown part at the top right",
       [bar["rect"][0] + 45, bar["rect"][1]], [area_right, area_top])

if failures:
    sys.exit("\n".join(failures))
