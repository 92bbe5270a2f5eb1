#!/usr/bin/python3
"""What a screen reader reads of the window, through the accessibility bus (AT-SPI) that
Linux screen readers use: the role, name and state of everything shown on the login screen
and on the home screen with the main menu, and where the keyboard focus starts.

    screen_reader.py PROGRAM

Starts its own Xvfb, session bus and accessibility bus, and the program in a fresh HOME for
each screen, and stops them all at the end. Exits 77 (skipped) when one of them is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
SIGNED_IN = ("[General]\nisLoggedIn=true\nexpiryDate=2099-12-31\nsavedLocationName=Vietnam\n"
             "savedLocationType=Country\nsavedLocationFlag=qrc:/assets/flags/VN.png\n")
# Qt never names a password field (so that no name can give the password away); it is read
# with its description, the placeholder.
LOGIN = ['text "Username" (Username) focused', 'password text "" (Password)',
         'check box "Remember Login Details" checked', 'push button "Login"']
HOME = ['image "Map"', 'label "Disconnected"', 'image "Flag"', 'label "Vietnam"',
        'check box "Favorite"', 'push button "Connect" focused', 'push button "Home"',
        'push button "Locations"', 'push button "Settings"', 'push button "Logout"']
CONTAINERS = {"application", "frame", "layered pane", "filler", "panel"}


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             "1280x800x24", "-nolisten", "tcp"], pass_fds=[write_end],
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        os.environ["DISPLAY"] = ":" + pipe.readline().strip()
    return xvfb


def start_session_bus():
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    return bus


def line(node):
    state = node.getState()
    description = f" ({node.description})" if node.description else ""
    marks = [name for name, flag in (("focused", STATE.STATE_FOCUSED),
                                     ("checked", STATE.STATE_CHECKED)) if state.contains(flag)]
    return " ".join([f'{node.getRoleName()} "{node.name}"{description}'] + marks)


def shown_lines(node):
    if node is None or not node.getState().contains(STATE.STATE_SHOWING):
        return []
    own = [] if node.getRoleName() in CONTAINERS else [line(node)]
    return own + [text for child in node for text in shown_lines(child)]


def window_lines():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Client VPN":
            return [text for window in app for text in shown_lines(window)]
    return []


def read_screen(program, store, expected):
    home = tempfile.mkdtemp()
    config = os.path.join(home, ".config")
    os.makedirs(os.path.join(config, "Client"))
    if store:
        with open(os.path.join(config, "Client", "Client VPN.conf"), "w") as file:
            file.write(store)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="xcb",
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    client = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        # The window has the input focus, as it has on a desktop.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Client VPN$",
                        "windowfocus"], timeout=30, check=True, stdout=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        lines = window_lines()
        while lines != expected and time.monotonic() < deadline:
            time.sleep(0.2)
            lines = window_lines()
        return lines
    finally:
        client.terminate()
        client.wait()
        shutil.rmtree(home)


def main(program):
    # The session bus starts the accessibility bus when the program asks for it, and both
    # end with the session bus.
    processes = [start_xvfb(), start_session_bus()]
    try:
        failures = 0
        for screen, store, expected in (("login", "", LOGIN), ("home", SIGNED_IN, HOME)):
            lines = read_screen(program, store, expected)
            if lines != expected:
                failures += 1
                print(f"{screen}: a screen reader reads\n  " + "\n  ".join(lines)
                      + "\ninstead of\n  " + "\n  ".join(expected))
            else:
                print(f"{screen}: " + "; ".join(lines))
        return 1 if failures else 0
    finally:
        for process in reversed(processes):
            process.terminate()
            process.wait()


if __name__ == "__main__":
    missing = [tool for tool in ("Xvfb", "xdotool", "dbus-daemon", BUS_LAUNCHER)
               if not shutil.which(tool)]
    try:
        import pyatspi
        from pyatspi import state as STATE
    except ImportError:
        missing.append("pyatspi")
    if missing:
        print("skipped: missing " + ", ".join(missing))
        sys.exit(77)
    sys.exit(main(sys.argv[1]))
