"""Validates the states of varied sessions against the state's JSON Schema.

Runs the fleetforge command with scripts that reach every mode, dialogs, message
boxes, reported errors, a hidden palette, a minimised IDE, other screens and
task bars, and checks every state object it prints with Debian's jsonschema.
  state_schema_test.py FLEETFORGE SCHEMA FIXTURE_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema

fleetforge, schema_file, fixtures = sys.argv[1:4]
with open(schema_file, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.validators.validator_for(schema).check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

# (extra arguments, script): every script ends with a "state" of its own.
SESSIONS = [
    ([], "state\nwait 1500\nmove PropertyInspector 400 300\nclose ProjectManagerForm\nstate\n"),
    (["--screen", "800x600", "--taskbar", "left:40"], "wait 1000\nstate\n"),
    (["--taskbar", "top:0"], "wait 1000\nclick 986 7\nstate\nclick 1001 7\nstate\n"),
    ([], "menu Tools>Fleetforge Options...\nstate\ncheck ckHideCaptions off\nkey enter\nstate\n"),
    (["--no-package"], "install\nstate\nkey enter\nstate\nunload\nstate\n"),
    ([], "open /nonexistent/P.dpr\nunload\nstate\nclose AppBuilder\nstate\n"),
    (["--package", os.path.join(fixtures, "fixture_failing_unit.bpl")], "state\n"),
]

checked = 0
with tempfile.TemporaryDirectory() as work:
    registry = os.path.join(work, "registry.reg")
    subprocess.run([fleetforge, "options", "set", "--registry", registry, "HideCaptions=true"],
                   check=True, stdout=subprocess.DEVNULL)
    seen = {"mode": set(), "palette": set(), "options": set(), "errors": set()}
    for extra, script in SESSIONS:
        result = subprocess.run(
            [fleetforge, "run", "--json", "--script", "-", "--registry", registry,
             "--projects", os.path.join(work, "Projects")] + extra,
            input=script, capture_output=True, text=True)
        if result.returncode != 0:
            sys.exit(f"FAIL: {extra} {script!r} exited {result.returncode}: {result.stderr}")
        for line in result.stdout.splitlines():
            state = json.loads(line)
            errors = sorted(validator.iter_errors(state), key=lambda e: list(e.path))
            if errors:
                sys.exit(f"FAIL: {extra} {script!r}: " + "; ".join(
                    f"{list(e.path)}: {e.message}" for e in errors))
            seen["mode"].add(state["mode"])
            seen["palette"].add(state["palette"] is None)
            seen["options"].add(state["options"] is None)
            seen["errors"].add(bool(state["errors"]))
            checked += 1
    # The sessions reach the variants the schema allows, so each was checked.
    if seen["mode"] != {"active", "dormant", "unloaded"}:
        sys.exit(f"FAIL: modes seen {seen['mode']}")
    for key in ("palette", "options", "errors"):
        if seen[key] != {True, False}:
            sys.exit(f"FAIL: {key} seen only as {seen[key]}")

# The validator itself rejects what the schema forbids.
bad = json.loads(line)
bad["mode"] = "asleep"
if validator.is_valid(bad):
    sys.exit("FAIL: the schema took an unknown mode")
print(f"{checked} states from {len(SESSIONS)} sessions match {schema_file}")
