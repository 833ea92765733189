#!/usr/bin/env python3
"""Tests the release files of a built Win32 tree under Wine.

  installer/package_test.py BUILD_DIR

Makes the portable zip and the setup program, checks the zip's entries against the list of what
it must ship, then, in a fresh Wine prefix with a small drive S:, installs silently into a chosen
folder, checks the files, shortcuts and uninstall entry, starts the program from the Start-menu
shortcut's target and waits until it has indexed S:, and uninstalls silently while it runs: once
keeping the index (/KEEPDATA), once removing everything (/REMOVEDATA). It runs on a virtual
display of its own, so that its windows take no focus from the window tests running beside it.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1])
WORK = os.path.join(BUILD, "package-test")
PREFIX = os.path.join(WORK, "wineprefix")
INSTALL_DIR = "C:\\软件\\Sorvik搜索"  # /D= takes no quotes, so no space
SHORTCUT = "Sorvik 文件搜索专家.lnk"
UNINSTALL_KEY = "software\\\\microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\sorvik"
RUN_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
MARKER = "包装测试文件"  # a file name on S: that the index must find
ENV = dict(os.environ, SORVIK_WINEPREFIX=PREFIX, WINEPREFIX=PREFIX, WINEDEBUG="-all")
failures = []


def check(ok, what):
    print(("ok      " if ok else "FAILED  ") + what, flush=True)
    if not ok:
        failures.append(what)


def run(*args, timeout=300, check_status=True):
    # Output goes to files, not pipes: the Wine server and services that a call may start
    # inherit them and would keep a pipe open long after the call ends.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(list(args), env=ENV, stdout=out, stderr=err,
                                timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(args, status, out.read(), err.read())
    if check_status and result.returncode != 0:
        raise SystemExit("%s failed (%d): %s" % (args, result.returncode, result.stderr[-2000:]))
    return result


def wine(*args, **kw):
    return run(os.path.join(ROOT, "scripts", "wine-run"), *args, **kw)


def wait_for_wine(timeout=120):
    """Waits until every process of the prefix has ended and the registry is saved."""
    try:
        run("wineserver", "-w", timeout=timeout)
        return True
    except subprocess.TimeoutExpired:
        return False


def unix_path(windows_path):
    assert windows_path[1:3] == ":\\", windows_path
    drive = os.path.realpath(os.path.join(PREFIX, "dosdevices", windows_path[0].lower() + ":"))
    return os.path.join(drive, *windows_path[3:].split("\\"))


def lnk_target(path):
    """The local path a shell link points at, from its link-info block."""
    data = open(path, "rb").read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & 1:  # HasLinkTargetIDList
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    if not flags & 2:  # HasLinkInfo
        return None
    header_size, info_flags, _, base_offset = struct.unpack_from("<4I", data, pos + 4)
    if header_size >= 0x24:
        start = pos + struct.unpack_from("<I", data, pos + 0x1C)[0]
        end = data.index(b"\0\0", start)
        end += (end - start) % 2
        return data[start:end].decode("utf-16-le")
    if not info_flags & 1:
        return None
    start = pos + base_offset
    return data[start:data.index(b"\0", start)].decode("gbk")


def registry_section(key):
    """The value lines of KEY in the prefix's system.reg (after wineserver has saved it)."""
    lines, inside = [], False
    for line in open(os.path.join(PREFIX, "system.reg"), encoding="utf-8", errors="replace"):
        if line.startswith("["):
            inside = line[1:].split("]")[0].lower() == key
        elif inside and line.strip():
            lines.append(line.strip())
    return lines


def key_exists(key):
    text = open(os.path.join(PREFIX, "system.reg"), encoding="utf-8", errors="replace").read()
    return ("\n[" + key + "]").lower() in text.lower()


def run_value_present():
    result = wine("reg", "query", RUN_KEY, "/v", "Tarnel", check_status=False)
    return result.returncode == 0


def shortcuts():
    """Every link the setup may have made, as paths relative to drive C:."""
    found = []
    for base, _, files in os.walk(os.path.join(PREFIX, "drive_c")):
        for name in files:
            if name.endswith(".lnk") and ("Sorvik" in name or "Sorvik" in base):
                found.append(os.path.relpath(os.path.join(base, name), PREFIX))
    return sorted(found)


def check_zip(zip_path, version, with_updater):
    names = []
    with zipfile.ZipFile(zip_path) as archive:
        for info in archive.infolist():
            # Names without the UTF-8 flag are code page 936 bytes (zipfile reads them as cp437).
            raw = info.filename.encode("cp437") if not info.flag_bits & 0x800 else None
            names.append(raw.decode("gbk") if raw is not None else info.filename)
        expected = ["Sorvik/", "Sorvik/Sorvik.exe", "Sorvik/sorvik-cli.exe", "Sorvik/使用说明.txt",
                    "Sorvik/licenses/", "Sorvik/licenses/TinyXML.txt",
                    "Sorvik/licenses/MinGW-w64-runtime.txt", "Sorvik/licenses/GCC-runtime.txt"]
        if with_updater:
            expected.append("Sorvik/LiveUpdate.exe")
        check(sorted(names) == sorted(expected), "zip holds exactly %s (has %s)" % (expected, names))
        by_name = dict(zip(names, archive.infolist()))
        for exe in [n for n in expected if n.endswith(".exe")]:
            check(archive.read(by_name[exe])[:2] == b"MZ", "%s is a Windows program" % exe)
        readme = archive.read(by_name["Sorvik/使用说明.txt"])
        check(readme.startswith(b"\xef\xbb\xbf") and b"\r\n" in readme,
              "使用说明.txt is UTF-8 with a byte-order mark and CRLF line ends")
        text = readme[3:].decode("utf-8")
        for needed in ["Ctrl+K", "NIndex", "NFavorite", "Config.xml", "Tarnel", version, "卸载"]:
            check(needed in text, "使用说明.txt mentions %s" % needed)
        licence = archive.read(by_name["Sorvik/licenses/TinyXML.txt"]).decode("ascii")
        check("Permission is granted to anyone" in licence, "TinyXML.txt holds the zlib licence")


def make_drive():
    drive = os.path.join(WORK, "drive")
    for d in range(20):
        os.makedirs(os.path.join(drive, "资料%d" % d))
        for f in range(10):
            open(os.path.join(drive, "资料%d" % d, "报告%d.doc" % f), "w").close()
    open(os.path.join(drive, "资料7", MARKER + ".txt"), "w").close()
    return drive


def install(setup):
    wine(setup, "/S", "/D=" + INSTALL_DIR, timeout=300)
    return wait_for_wine()


def check_installed(version, with_updater):
    folder = unix_path(INSTALL_DIR)
    expected = {"Sorvik.exe", "sorvik-cli.exe", "使用说明.txt", "licenses", "uninstall.exe"}
    if with_updater:
        expected.add("LiveUpdate.exe")
    present = set(os.listdir(folder)) if os.path.isdir(folder) else set()
    check(present == expected, "installed files %s (found %s)" % (sorted(expected), sorted(present)))
    links = shortcuts()
    start_menu = [l for l in links if "Start Menu" in l and l.endswith("/Sorvik/" + SHORTCUT)]
    desktop = [l for l in links if "Desktop" in l and l.endswith("/" + SHORTCUT)]
    check(len(start_menu) == 1 and len(desktop) == 1, "Start-menu and desktop shortcuts: %s" % links)
    values = registry_section(UNINSTALL_KEY) or []
    check('"DisplayVersion"="%s"' % version in values, "uninstall entry has the version %s" % version)
    size = [v for v in values if v.startswith('"EstimatedSize"=dword:')]
    check(size and int(size[0].split(":")[1], 16) > 1000, "uninstall entry has the size %s" % size)
    check(any(v.startswith('"UninstallString"=') for v in values), "uninstall entry has its command")
    return os.path.join(PREFIX, start_menu[0]) if start_menu else None


def start_and_index(link):
    target = lnk_target(link)
    check(target == INSTALL_DIR + "\\Sorvik.exe", "Start-menu shortcut points at %s" % target)
    if target is None:
        return
    folder = unix_path(INSTALL_DIR)
    with open(os.path.join(folder, "Config.xml"), "w", encoding="gbk") as config:
        config.write('<?xml version="1.0" encoding="GBK" ?>\n<configuration>\n    <appSettings>\n'
                     '        <add key="index_position" value="S:" />\n'
                     '    </appSettings>\n</configuration>\n')
    subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run"), unix_path(target)], env=ENV,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    helper = os.path.join(BUILD, "sorvik-shot.exe")
    wine(helper, "answer-notice", "120", check_status=False, timeout=200)
    shown = wine(helper, "wait-main", "300", check_status=False, timeout=400).returncode == 0
    check(shown, "the installed program opened its search window after the first build")
    found = wine(os.path.join(folder, "sorvik-cli.exe"), "search", "--work", INSTALL_DIR, MARKER,
                 check_status=False, timeout=120)
    out = found.stdout.decode("gbk", "replace")
    check(found.returncode == 0 and out.startswith("total: 1") and MARKER in out,
          "its index finds S:\\资料7\\%s.txt (sorvik-cli said %r)" % (MARKER, out[:200]))
    check(run_value_present(), "the running program wrote its Run value")


def uninstall(option):
    folder = unix_path(INSTALL_DIR)
    wine(os.path.join(folder, "uninstall.exe"), "/S", option, timeout=120)
    ended = wait_for_wine(timeout=120)
    check(ended, "uninstall %s ended every process of the prefix (Sorvik included)" % option)
    check(shortcuts() == [], "no shortcut left after uninstall %s: %s" % (option, shortcuts()))
    check(not run_value_present(), "no Run value left after uninstall %s" % option)
    wait_for_wine()
    check(not key_exists(UNINSTALL_KEY), "no uninstall entry left after uninstall %s" % option)


def start_display():
    """Starts Xvfb on a free display number and points the Wine calls at it."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        ENV["DISPLAY"] = ":" + numbers.readline().strip()
    return server


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    version = open(os.path.join(BUILD, "sorvik-version.txt")).read().strip()
    with_updater = any(os.path.exists(os.path.join(BUILD, p))
                       for p in ("LiveUpdate.exe", "update/LiveUpdate.exe"))
    out = os.path.join(WORK, "out")
    run(os.path.join(ROOT, "installer", "make-package"), BUILD, out)
    check_zip(os.path.join(out, "Sorvik-%s-portable.zip" % version), version, with_updater)
    setup = os.path.join(out, "Sorvik-%s-setup.exe" % version)

    run(os.path.join(ROOT, "scripts", "wine-prefix-setup"), PREFIX, "S", make_drive())
    check(install(setup), "the silent setup ended")
    link = check_installed(version, with_updater)
    if link:
        start_and_index(link)

    # Uninstall while the program runs, keeping the index: only the data stays behind.
    uninstall("/KEEPDATA")
    folder = unix_path(INSTALL_DIR)
    left = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    check(left == ["Config.xml", "NIndex"], "kept the index and the settings only: %s" % left)
    check(os.path.exists(os.path.join(folder, "NIndex", "db.txt")), "the kept index is whole")

    # Again, removing everything: the folder goes.
    check(install(setup), "the second silent setup ended")
    uninstall("/REMOVEDATA")
    check(not os.path.exists(folder), "nothing left of %s after uninstall /REMOVEDATA" % INSTALL_DIR)

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    display = start_display()
    try:
        sys.exit(main())
    finally:
        # Whatever a failed run left running in the prefix ends with it.
        subprocess.run(["wineserver", "-k"], env=ENV, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        display.terminate()
