#!/usr/bin/env python3
"""Tests the release files of a built Win32 tree under Wine.

  installer/package_test.py BUILD_DIR

Makes the portable zip and the setup program the way a user does (scripts/package, on this
tree when it is a build root's "win32"), checks the zip's entries against what the program needs
(the updater it hands over to, and every DLL an executable imports either shipped or part of
Windows), then, in a fresh Wine prefix with a small drive S: and a loopback HTTP server in the
update server's place:
  - installs silently into a chosen folder; checks the files, shortcuts, uninstall entry and
    that the folder grants the Users group no change;
  - starts the program with the install folder closed to writing (a standard user's view): it
    indexes S: into %LOCALAPPDATA%\Sorvik and writes nothing beside itself;
  - starts it again with the folder open and waits until it has indexed S: there;
  - publishes 1.3.5 (the program, a text, a file in a new sub-folder, a file for the system
    folder), starts the program: it stages the update, LiveUpdate.exe replaces the files once
    the program has ended and starts the new version;
  - uninstalls silently while it runs: once keeping the index (/KEEPDATA), which must leave
    nothing of the update behind, once removing everything (/REMOVEDATA).
It runs on a virtual display of its own, so that its windows take no focus from the window tests
running beside it.
"""
import functools
import http.server
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
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
NEXT_VERSION = "1.3.5"  # what the round trip publishes
SYSTEM_TARGET = "sorvik-update-test.dat"  # the published file for the system folder
UPDATE_CAPTION = "Sorvik自动更新 - 提示"
ENV = dict(os.environ, SORVIK_WINEPREFIX=PREFIX, WINEPREFIX=PREFIX, WINEDEBUG="-all")
SERVER = os.path.join(WORK, "server")  # what the loopback update server serves
failures = []


def check(ok, what):
    print(("ok      " if ok else "FAILED  ") + what, flush=True)
    if not ok:
        failures.append(what)


def run(*args, timeout=300, check_status=True, cwd=None):
    # Output goes to files, not pipes: the Wine server and services that a call may start
    # inherit them and would keep a pipe open long after the call ends.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(list(args), env=ENV, stdout=out, stderr=err, cwd=cwd,
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


def source_constant(path, name):
    """The text of a string constant NAME in the source file PATH (what the program uses)."""
    text = open(os.path.join(ROOT, path), encoding="utf-8").read()
    return re.search(r'\b%s\[\] = "([^"]+)"' % name, text).group(1)


def shipped_programs():
    """The executables the package must hold: the program, the updater it hands an update over
    to (by the name the program uses), the command-line tool."""
    return [source_constant("update/live_update.h", "kProgramName"),
            source_constant("update/online_update.h", "kUpdaterName"), "sorvik-cli.exe"]


def imported_dlls(exe_bytes):
    with tempfile.NamedTemporaryFile(suffix=".exe") as exe:
        exe.write(exe_bytes)
        exe.flush()
        dump = run("i686-w64-mingw32-objdump", "-p", exe.name).stdout.decode("ascii", "replace")
    return sorted({m.lower() for m in re.findall(r"DLL Name: (\S+)", dump)})


def check_imports(archive, by_name):
    """Every DLL a shipped executable imports is part of Windows (Wine's system folder has it):
    the package needs no runtime DLL beside the programs."""
    system = os.path.join(PREFIX, "drive_c", "windows", "system32")
    for exe in shipped_programs():
        dlls = imported_dlls(archive.read(by_name["Sorvik/" + exe]))
        missing = [d for d in dlls if not os.path.exists(os.path.join(system, d))]
        check(dlls and not missing, "%s imports only system DLLs (%s; missing %s)" % (exe, dlls, missing))


def check_zip(zip_path, version):
    names = []
    with zipfile.ZipFile(zip_path) as archive:
        for info in archive.infolist():
            # Names without the UTF-8 flag are code page 936 bytes (zipfile reads them as cp437).
            raw = info.filename.encode("cp437") if not info.flag_bits & 0x800 else None
            names.append(raw.decode("gbk") if raw is not None else info.filename)
        expected = ["Sorvik/", "Sorvik/使用说明.txt", "Sorvik/licenses/",
                    "Sorvik/licenses/TinyXML.txt", "Sorvik/licenses/MinGW-w64-runtime.txt",
                    "Sorvik/licenses/GCC-runtime.txt", "Sorvik/licenses/libsodium.txt"]
        expected += ["Sorvik/" + p for p in shipped_programs()]
        check(sorted(names) == sorted(expected), "zip holds exactly %s (has %s)" % (expected, names))
        by_name = dict(zip(names, archive.infolist()))
        for exe in [n for n in expected if n.endswith(".exe")]:
            check(exe in by_name and archive.read(by_name[exe])[:2] == b"MZ",
                  "%s is a Windows program" % exe)
        if all(("Sorvik/" + p) in by_name for p in shipped_programs()):
            check_imports(archive, by_name)
        readme = archive.read(by_name["Sorvik/使用说明.txt"])
        check(readme.startswith(b"\xef\xbb\xbf") and b"\r\n" in readme,
              "使用说明.txt is UTF-8 with a byte-order mark and CRLF line ends")
        text = readme[3:].decode("utf-8")
        for needed in ["Ctrl+K", "NIndex", "NFavorite", "Config.xml", "Tarnel", version, "卸载",
                       "LiveUpdate.exe", "%LOCALAPPDATA%\\Sorvik", "update_Quillet"]:
            check(needed in text, "使用说明.txt mentions %s" % needed)
        licence = archive.read(by_name["Sorvik/licenses/TinyXML.txt"]).decode("ascii")
        check("Permission is granted to anyone" in licence, "TinyXML.txt holds the zlib licence")


def make_package(out):
    """scripts/package as a user runs it, on this tree when it is a build root's win32 folder
    (the build is then up to date and costs nothing); make-package on other trees."""
    if os.path.basename(BUILD) == "win32":
        env = dict(ENV, SORVIK_BUILD_ROOT=os.path.dirname(BUILD))
        with tempfile.TemporaryFile() as log:
            status = subprocess.run([os.path.join(ROOT, "scripts", "package"), out], env=env,
                                    stdout=log, stderr=log, timeout=1800).returncode
            log.seek(0)
            check(status == 0, "scripts/package succeeded: %s" % log.read()[-1500:])
    else:
        run(os.path.join(ROOT, "installer", "make-package"), BUILD, out)


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


def check_installed(version):
    folder = unix_path(INSTALL_DIR)
    expected = set(shipped_programs()) | {"使用说明.txt", "licenses", "uninstall.exe"}
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


def helper(*args, timeout=200):
    return wine(os.path.join(BUILD, "sorvik-shot.exe"), *args, check_status=False,
                timeout=timeout).returncode == 0


def start_program():
    subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run"), unix_path(INSTALL_DIR + "\\Sorvik.exe")],
                     env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop_program():
    """Asks the search window to exit as the tray menu does; true when every process ended."""
    helper("post", "32772")
    return wait_for_wine(timeout=60)


def write_config(folder):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "Config.xml"), "w", encoding="gbk") as config:
        config.write('<?xml version="1.0" encoding="GBK" ?>\n<configuration>\n    <appSettings>\n'
                     '        <add key="index_position" value="S:" />\n'
                     '    </appSettings>\n</configuration>\n')


def index_finds_marker(work):
    found = wine(unix_path(INSTALL_DIR + "\\sorvik-cli.exe"), "search", "--work", work, MARKER,
                 check_status=False, timeout=120)
    out = found.stdout.decode("gbk", "replace")
    return found.returncode == 0 and out.startswith("total: 1") and MARKER in out, out[:200]


def start_and_index(link):
    target = lnk_target(link)
    check(target == INSTALL_DIR + "\\Sorvik.exe", "Start-menu shortcut points at %s" % target)
    if target is None:
        return
    write_config(unix_path(INSTALL_DIR))
    start_program()
    helper("answer-notice", "120")
    shown = helper("wait-main", "300", timeout=400)
    check(shown, "the installed program opened its search window after the first build")
    found, out = index_finds_marker(INSTALL_DIR)
    check(found, "its index finds S:\\资料7\\%s.txt (sorvik-cli said %r)" % (MARKER, out))
    check(run_value_present(), "the running program wrote its Run value")


def check_folder_rights():
    """The install folder grants the Users group (S-1-5-32-545) no right to change it. Wine's
    icacls reads back nothing and sets nothing; a security descriptor Wine stored for the folder
    is read from its extended attribute."""
    listing = wine("icacls", INSTALL_DIR, check_status=False).stdout.decode("gbk", "replace")
    check(not re.search(r"(S-1-5-32-545|Users):\(OI\)\(CI\)\((M|F)\)", listing),
          "icacls shows no Users change right on the install folder: %r" % listing[:300])
    try:
        descriptor = os.getxattr(unix_path(INSTALL_DIR), "user.wine.sd")
    except OSError:
        descriptor = b""
    users_sid = bytes([1, 2, 0, 0, 0, 0, 0, 5, 0x20, 0, 0, 0, 0x21, 2, 0, 0])
    check(users_sid not in descriptor, "the folder's stored security names no Users entry")


def set_locked(path, locked):
    """Closes a folder to writing even for root (immutable), or opens it again. True when the
    folder is then as asked."""
    if os.geteuid() == 0:
        subprocess.run(["chattr", "+i" if locked else "-i", path], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    else:
        os.chmod(path, 0o555 if locked else 0o755)
    probe = os.path.join(path, ".write-probe")
    try:
        open(probe, "w").close()
        os.remove(probe)
        return not locked
    except OSError:
        return locked


def local_app_data():
    out = wine("cmd", "/c", "echo", "%LOCALAPPDATA%").stdout.decode("gbk", "replace").strip()
    return out.splitlines()[-1].strip()


def standard_user_start():
    """The program started from a folder it may not write (as a standard user's copy below
    Program Files): it keeps index and settings in %LOCALAPPDATA%\\Sorvik and works fully."""
    folder = unix_path(INSTALL_DIR)
    own = local_app_data() + "\\Sorvik"
    write_config(unix_path(own))
    before = sorted(os.listdir(folder))
    if not set_locked(folder, True):
        print("skipped the unwritable-folder start: this file system cannot close a folder")
        return
    try:
        start_program()
        helper("answer-notice", "120")
        check(helper("wait-main", "300", timeout=400),
              "from an unwritable folder the program opened its search window")
        found, out = index_finds_marker(own)
        check(found, "its index in %s finds the marker (sorvik-cli said %r)" % (own, out))
        check(os.path.exists(os.path.join(unix_path(own), "NIndex", "db.txt")),
              "the index is in %s" % own)
        check(stop_program(), "the program ended on its exit command")
    finally:
        set_locked(folder, False)
    check(sorted(os.listdir(folder)) == before, "nothing was written beside the program: %s"
          % sorted(os.listdir(folder)))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def start_update_server():
    """The update server's stand-in on 127.0.0.1: the program asks it instead of the real one."""
    os.makedirs(os.path.join(SERVER, "update", "Tarnel"), exist_ok=True)
    os.makedirs(os.path.join(SERVER, "ads", "Tarnel"), exist_ok=True)
    with open(os.path.join(SERVER, "update", "Tarnel", "checkVersion.asp"), "w") as answer:
        answer.write("no\n")
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=SERVER))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    ENV["SORVIK_UPDATE_SERVER"] = "http://127.0.0.1:%d" % server.server_address[1]
    return server


def publisher(*args):
    """sorvik-cli.exe of the installed package, run in the server's folder."""
    return wine(unix_path(INSTALL_DIR + "\\sorvik-cli.exe"), *args, check_status=False,
                cwd=SERVER)


# ---- The list's signature. The publisher signs update.txt (update.txt.sig beside it) with a key
# ---- of its own; this is switched on by the build: it runs when sorvik-cli has "publish keygen".
def sign_list(list_path):
    if publisher("publish", "keygen", "test.key").returncode != 0:
        print("note: this sorvik-cli cannot sign lists; the update list is served unsigned")
        return False
    signed = publisher("publish", "list", "--key", "test.key", "--version", NEXT_VERSION, list_path)
    check(signed.returncode == 0 and os.path.exists(os.path.join(SERVER, list_path.replace(
        "\\", "/") + ".sig")), "publish list signed %s" % list_path)
    # The program trusts a key from its environment only for a server on 127.0.0.1.
    with open(os.path.join(SERVER, "test.key.pub")) as public_key:
        ENV["SORVIK_UPDATE_PUBLIC_KEY"] = public_key.read().strip()
    return True


def next_version_program(current):
    """The program of the next version: this one with the next version in its window title and
    version resource."""
    version = open(os.path.join(BUILD, "sorvik-version.txt")).read().strip()
    title = "Sorvik-文件搜索专家V"
    new = current.replace((title + version).encode("gbk"), (title + NEXT_VERSION).encode("gbk"))
    new = new.replace(version.encode("utf-16-le"), NEXT_VERSION.encode("utf-16-le"))
    made = any((title + NEXT_VERSION).encode(code) in new for code in ("gbk", "utf-16-le"))
    check(new != current and made, "made the %s program from %s" % (NEXT_VERSION, version))
    return new


def system_folder():
    """Where the system folder of a 32-bit program lies in the prefix."""
    wow = os.path.join(PREFIX, "drive_c", "windows", "syswow64")
    return wow if os.path.isdir(wow) else os.path.join(PREFIX, "drive_c", "windows", "system32")


def publish_update():
    """Version NEXT_VERSION on the server: the program, notes.txt, docs\\new.txt in a folder that
    is new, and a file for the system folder; the version answer says "ok"."""
    files = os.path.join(SERVER, "files")
    os.makedirs(os.path.join(files, "docs"), exist_ok=True)
    program = next_version_program(open(unix_path(INSTALL_DIR + "\\Sorvik.exe"), "rb").read())
    contents = {"Sorvik.exe": program, "notes.txt": b"notes of 1.3.5\r\n",
                "docs\\new.txt": b"a new file\r\n", SYSTEM_TARGET: b"for the system folder\r\n"}
    lines = []
    for name, data in contents.items():
        with open(os.path.join(files, *name.split("\\")), "wb") as f:
            f.write(data)
        signature = publisher("publish", "sign", "files\\" + name).stdout.decode().split("\t")[0]
        check(len(signature.strip()) == 48, "publish sign %s gave %r" % (name, signature))
        target = ("%SystemRoot%\\" if name == SYSTEM_TARGET else "%AppPath%\\") + name
        lines.append("%s,0,%s,%s/files/%s\r\n" % (target, signature.strip(),
                                                   ENV["SORVIK_UPDATE_SERVER"], name.replace("\\", "/")))
    with open(os.path.join(SERVER, "update", "Tarnel", "update.txt"), "w") as update_list:
        update_list.write("".join(lines))
    sign_list("update\\Tarnel\\update.txt")
    with open(os.path.join(SERVER, "update", "Tarnel", "checkVersion.asp"), "w") as answer:
        answer.write("ok\n")
    return contents


def round_trip():
    """The running program is stopped, NEXT_VERSION published and the program started: it stages
    the update and says so, ends; LiveUpdate.exe waits for its end, replaces the files and
    starts the new version."""
    check(stop_program(), "the program ended on its exit command")
    contents = publish_update()
    start = time.time()
    start_program()
    check(helper("answer-box", UPDATE_CAPTION), "the program announced the update")
    title = "Sorvik-文件搜索专家V" + NEXT_VERSION
    shown = helper("wait-box", title) or helper("wait-box", title)
    check(shown, "the program was started again at %s (%.0f s)" % (NEXT_VERSION, time.time() - start))
    folder = unix_path(INSTALL_DIR)
    for name, data in contents.items():
        path = (os.path.join(system_folder(), name) if name == SYSTEM_TARGET
                else os.path.join(folder, *name.split("\\")))
        check(os.path.exists(path) and open(path, "rb").read() == data, "updated %s" % name)
    left = [n for n in os.listdir(folder) if n.endswith((".sorvik-old", ".sorvik-new", ".sorvik-tmp"))
            or n in ("update_Quillet", "Comfiles.reg")]
    check(left == [], "the update left nothing of its work: %s" % left)
    journal = open(os.path.join(folder, "LiveUpdate.journal"), encoding="gbk").read()
    check(journal.startswith("state\tidle\n") and journal.count("installed\t") == len(contents),
          "the journal records the %d files it installed: %r" % (len(contents), journal[:400]))


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
    server = start_update_server()
    version = open(os.path.join(BUILD, "sorvik-version.txt")).read().strip()
    run(os.path.join(ROOT, "scripts", "wine-prefix-setup"), PREFIX, "S", make_drive())
    out = os.path.join(WORK, "out")
    make_package(out)
    check_zip(os.path.join(out, "Sorvik-%s-portable.zip" % version), version)
    setup = os.path.join(out, "Sorvik-%s-setup.exe" % version)

    check(install(setup), "the silent setup ended")
    link = check_installed(version)
    check_folder_rights()
    standard_user_start()
    if link:
        start_and_index(link)
        round_trip()

    # Uninstall while the program runs, keeping the index: only the data stays behind, nothing
    # of what the update put in place.
    uninstall("/KEEPDATA")
    folder = unix_path(INSTALL_DIR)
    left = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    check(left == ["Config.xml", "NIndex"], "kept the index and the settings only: %s" % left)
    check(os.path.exists(os.path.join(folder, "NIndex", "db.txt")), "the kept index is whole")
    check(not os.path.exists(os.path.join(system_folder(), SYSTEM_TARGET)),
          "the update's file in the system folder is gone")

    # Again, removing everything: the folder goes, and the user's own working folder.
    check(install(setup), "the second silent setup ended")
    uninstall("/REMOVEDATA")
    check(not os.path.exists(folder), "nothing left of %s after uninstall /REMOVEDATA" % INSTALL_DIR)
    own = unix_path(local_app_data() + "\\Sorvik")
    check(not os.path.exists(own), "nothing left of %s after uninstall /REMOVEDATA" % own)
    server.shutdown()

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
