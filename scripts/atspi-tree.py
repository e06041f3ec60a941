#!/usr/bin/python3
# Prints what a screen reader sees of a running Quorvex through AT-SPI: the step chain (its name,
# some of its boxes with their descriptions and states, the marker) and the focused control.
# Run by scripts/atspi-check.sh; the argument is the start of the chain's name in the language
# the window shows ("Step chain", "Schrittkette", ...).

import sys
import time

import pyatspi


def find(acc, pred, depth=0):
    if pred(acc):
        return acc
    if depth > 40:
        return None
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        found = find(child, pred, depth + 1) if child is not None else None
        if found:
            return found
    return None


def application(name):
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app and app.name and name in app.name.lower():
                return app
        time.sleep(0.2)
    return None


def main():
    prefix = sys.argv[1]
    app = application('quorvex')
    if not app:
        print('no Quorvex on the accessibility bus')
        return 1
    chain = None
    for _ in range(50):
        chain = find(app, lambda a: a.getRoleName() == 'list' and a.name.startswith(prefix))
        if chain:
            break
        time.sleep(0.2)
    if not chain:
        print('no step chain named %r' % prefix)
        return 1
    print('chain: %r, %s, %d children' % (chain.name, chain.getRoleName(), chain.childCount))
    for index in (0, 1, 2, 4, 36, 37):
        child = chain.getChildAtIndex(index)
        state = child.getState()
        print('  %2d %-28r %-9s selected=%d focused=%d  %r' % (
            index, child.name, child.getRoleName(), state.contains(pyatspi.STATE_SELECTED),
            state.contains(pyatspi.STATE_FOCUSED), child.description))
    focused = find(app, lambda a: a.getState().contains(pyatspi.STATE_FOCUSED)
                   and a.getRoleName() not in ('frame', 'list item', 'application', 'filler', 'panel'))
    if focused:
        print('focus: %r, %s' % (focused.name, focused.getRoleName()))
    return 0


sys.exit(main())
