#!/usr/bin/python3
"""The installer as a user meets it, under Wine: tunestow-setup.exe run
silently and through its pages against temporary player folders, the
uninstaller it leaves, the entry in the list of installed programs, and the
refusals (neither winamp.exe nor wacup.exe in the folder, a 64-bit player,
the player running).

    installer_test.py --wine RUN_IN_WINE --prefix WINEPREFIX --setup SETUP_EXE
                      --dll BUILT_DLL --host HOST_EXE --probe PROBE_EXE --version X.Y.Z
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunestow"
PLAYER_KEY = r"HKLM\Software\Winamp"
PLAYER_USER_KEY = r"HKCU\Software\Winamp"
PLAYER_UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
# Files to delete at the next restart, as the uninstaller schedules its own.
SESSION_MANAGER_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
PENDING_OPERATIONS = "PendingFileRenameOperations"
PLAYER_CLASS = "Winamp v1.x"
UNINSTALLER = "uninstall-tunestow.exe"
EXIT_CANCELLED, EXIT_NO_PLAYER, EXIT_PLAYER_RUNNING, EXIT_64BIT_PLAYER = 1, 2, 3, 4
MACHINE_X86, MACHINE_X64, MACHINE_ARM64 = 0x014C, 0x8664, 0xAA64
WAIT_MS = "20000"

ARGS = None


def windows_path(path):
    """Drive Z: is the Linux root."""
    return "Z:" + path.replace("/", "\\")


def wine(*argv, timeout=120):
    """Runs a Windows program to its end; its output comes back in bytes.

    The output goes through a file, not a pipe: the first program of a
    prefix starts Wine's background processes, which inherit its handles and
    would hold a pipe open long after the program has ended."""
    with tempfile.TemporaryFile() as output:
        result = subprocess.run([ARGS.wine, *argv], stdin=subprocess.DEVNULL, stdout=output,
                                stderr=subprocess.DEVNULL, timeout=timeout)
        output.seek(0)
        result.stdout = output.read()
    return result


def wine_start(*argv):
    return subprocess.Popen([ARGS.wine, *argv], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wineserver_wait():
    """Waits until every program of the prefix has ended.

    Under the qemu-i386 emulator, the wineboot that Wine starts with each new
    session has been seen to hang for good (once in several runs, its
    services still running a quarter of an hour later). Then the session is
    ended after two minutes, so that one hang costs two minutes, not every
    later case: what each case checks, its files and exit codes, stands."""
    env = dict(os.environ, WINEPREFIX=ARGS.prefix, WINEARCH="win32", WINEDEBUG="-all")
    try:
        subprocess.run(["wineserver", "-w"], env=env, check=True, timeout=120)
    except subprocess.TimeoutExpired:
        print("installer_test: Wine's programs still ran after 120 s; ending them",
              file=sys.stderr)
        subprocess.run(["wineserver", "-k"], env=env, timeout=60)


def probe(*argv):
    result = wine(ARGS.probe, *argv)
    return result.returncode, result.stdout.decode("cp1252").replace("\r\n", "\n")


def registry_values(key):
    """The values of a key as {name: (type, data)}, or None when it is absent."""
    result = wine("reg", "query", key)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.decode("cp1252").splitlines():
        parts = line.strip().split("    ")
        if len(parts) == 3:
            values[parts[0]] = (parts[1], parts[2])
    return values


def delete_registry_key(key, value=None):
    wine("reg", "delete", key, *(["/v", value] if value else []), "/f")


def run_command_line(command, folder):
    """Runs a command line as Windows runs a stored one, through a script
    of the command prompt, which waits for the program; its exit code."""
    script = os.path.join(folder, "run.cmd")
    with open(script, "w", newline="") as f:
        f.write(f"@echo off\r\n{command}\r\nexit /b %errorlevel%\r\n")
    return wine("cmd", "/c", windows_path(script)).returncode


def program_for(machine):
    """The start of a program's file up to its machine: the MZ header, whose
    value at 0x3C is where "PE\\0\\0" and the machine follow."""
    return (b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0"
            + struct.pack("<H", machine) + bytes(18))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class InstallerTestCase(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tunestow-installer-")
        self.processes = []
        self.built_dll = read_bytes(ARGS.dll)
        self.caption = f"Tunestow {ARGS.version} Setup"
        self.clean_registry()

    @staticmethod
    def clean_registry():
        delete_registry_key(UNINSTALL_KEY)
        delete_registry_key(PLAYER_KEY)
        delete_registry_key(PLAYER_USER_KEY)
        delete_registry_key(PLAYER_UNINSTALL_KEY)
        delete_registry_key(SESSION_MANAGER_KEY, PENDING_OPERATIONS)

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        wineserver_wait()
        self.clean_registry()
        shutil.rmtree(self.root, ignore_errors=True)

    # The player's folder as its own installer leaves it, with a settings
    # file that holds the plug-in's section and another plug-in beside ours.
    PLAYER_FILES = {
        "winamp.exe": b"MZ stand-in for the player",
        "winamp.ini": b"[Winamp]\r\nvolume=200\r\n[Tunestow]\r\nimmediateMode=1\r\n"
                      b"rootDirectoryArchiveFrom=D:\\Music\r\n",
        "Plugins/gen_other.dll": b"MZ another plug-in",
    }

    def make_player(self, name, files=None):
        folder = os.path.join(self.root, name)
        for relative, content in (self.PLAYER_FILES if files is None else files).items():
            path = os.path.join(folder, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)
        os.makedirs(folder, exist_ok=True)
        return folder

    def install_silently(self, folder=None):
        argv = [ARGS.setup, "/S"]
        if folder is not None:
            argv.append("/D=" + windows_path(folder))  # last, as the installer wants it
        return wine(*argv).returncode

    def start_player(self, dll):
        """The stand-in host: a window of the player's class with `dll` loaded."""
        host = wine_start(ARGS.host, "--dll", windows_path(dll),
                          "--ini", windows_path(os.path.join(self.root, "host.ini")))
        self.processes.append(host)
        code, _ = probe("wait-window", PLAYER_CLASS, WAIT_MS)
        self.assertEqual(code, 0, "the stand-in host's window never appeared")
        return host

    def stop_player(self, host):
        code, _ = probe("close-window", PLAYER_CLASS, WAIT_MS)
        self.assertEqual(code, 0, "the stand-in host did not close")
        host.wait(timeout=30)

    # Checks that name what differs, so that a failure reads without Wine.
    def assert_file(self, path, content, what):
        self.assertTrue(os.path.isfile(path), f"{what}: {path} is missing")
        self.assertTrue(read_bytes(path) == content,
                        f"{what}: {path} has other bytes ({os.path.getsize(path)} bytes, "
                        f"expected {len(content)})")

    def assert_absent(self, path, what):
        self.assertFalse(os.path.exists(path), f"{what}: {path} should not exist")

    def assert_player_untouched(self, folder):
        for relative, content in self.PLAYER_FILES.items():
            self.assert_file(os.path.join(folder, relative), content, "the player's own file")

    def assert_installed(self, folder):
        plugins = os.path.join(folder, "Plugins")
        self.assert_file(os.path.join(plugins, "gen_tunestow.dll"), self.built_dll,
                         "installed plug-in")
        uninstaller = os.path.join(plugins, UNINSTALLER)
        self.assertTrue(os.path.isfile(uninstaller), f"no uninstaller at {uninstaller}")
        entry = registry_values(UNINSTALL_KEY)
        self.assertIsNotNone(entry, "no entry in the list of installed programs")
        return entry

    def assert_nothing_installed(self, folder):
        self.assert_absent(os.path.join(folder, "Plugins", UNINSTALLER), "refused installation")
        self.assertIsNone(registry_values(UNINSTALL_KEY),
                          "a refused installation wrote an uninstall entry")


class SilentInstallAndUninstall(InstallerTestCase):
    def test_installs_beside_other_plugins_and_uninstalls(self):
        player = self.make_player("Player")
        plugins = os.path.join(player, "Plugins")
        # An older build in place: an upgrade replaces it.
        with open(os.path.join(plugins, "gen_tunestow.dll"), "wb") as f:
            f.write(b"MZ older build")

        self.assertEqual(self.install_silently(player), 0, "exit code of the silent install")
        entry = self.assert_installed(player)
        self.assert_player_untouched(player)

        uninstaller = windows_path(os.path.join(plugins, UNINSTALLER))
        expected = {
            "DisplayName": ("REG_SZ", "Tunestow (Winamp plug-in)"),
            "DisplayVersion": ("REG_SZ", ARGS.version),
            "Publisher": ("REG_SZ", "Tunestow"),
            "UninstallString": ("REG_SZ", f'"{uninstaller}"'),
            "QuietUninstallString": ("REG_SZ", f'"{uninstaller}" /S _?={windows_path(plugins)}'),
            "InstallLocation": ("REG_SZ", windows_path(plugins)),
        }
        for name, value in expected.items():
            self.assertEqual(entry.get(name), value, f"uninstall entry's {name}")
        size_type, size = entry.get("EstimatedSize", (None, "0"))
        self.assertEqual(size_type, "REG_DWORD", "type of EstimatedSize")
        self.assertGreaterEqual(int(size, 16), len(self.built_dll) // 1024,
                                "EstimatedSize (KB) smaller than the DLL")

        # Uninstall in place, which waits and gives the exit code, as the
        # quiet command does; the next test runs that command itself.
        result = wine(os.path.join(plugins, UNINSTALLER), "/S", "_?=" + windows_path(plugins))
        wineserver_wait()
        self.assertEqual(result.returncode, 0, "exit code of the silent uninstall")
        self.assert_absent(os.path.join(plugins, "gen_tunestow.dll"), "after uninstalling")
        self.assertIsNone(registry_values(UNINSTALL_KEY), "uninstall entry left behind")
        # The plug-in's settings stay in the player's settings file.
        self.assert_player_untouched(player)

    def test_quiet_uninstall_string_waits_and_removes_everything(self):
        # What a caller such as a package manager runs for the entry: once the
        # command returns, its exit code holds and the plug-in is gone. The
        # uninstaller's own file is in use until then and goes at the next
        # restart. A space in the folder, as in Program Files.
        player = self.make_player("Win amp")
        wine("reg", "add", PLAYER_KEY, "/ve", "/d", windows_path(player), "/f")
        self.assertEqual(self.install_silently(), 0, "exit code of the silent install")
        entry = self.assert_installed(player)
        plugins = os.path.join(player, "Plugins")
        self.assertEqual(run_command_line(entry["QuietUninstallString"][1], self.root), 0,
                         "exit code of the quiet uninstall command")
        self.assert_absent(os.path.join(plugins, "gen_tunestow.dll"), "after uninstalling")
        self.assertIsNone(registry_values(UNINSTALL_KEY), "uninstall entry left behind")
        self.assert_player_untouched(player)

        wine("wineboot", "-r")  # Wine's restart
        wineserver_wait()
        self.assertEqual(sorted(os.listdir(plugins)), ["gen_other.dll"],
                         "the Plugins folder after the next restart")

    def test_installed_again_before_the_restart_keeps_its_uninstaller(self):
        # The restart deletes the uninstaller the quiet command left behind,
        # not the one installed since.
        player = self.make_player("Player")
        self.assertEqual(self.install_silently(player), 0)
        command = self.assert_installed(player)["QuietUninstallString"][1]
        self.assertEqual(run_command_line(command, self.root), 0, "quiet uninstall")
        self.assertEqual(self.install_silently(player), 0, "installing again")
        wine("wineboot", "-r")
        wineserver_wait()
        plugins = os.path.join(player, "Plugins")
        self.assertEqual(sorted(os.listdir(plugins)),
                         ["gen_other.dll", "gen_tunestow.dll", UNINSTALLER],
                         "the Plugins folder after the next restart")
        self.assert_installed(player)

    def test_installs_into_wacup(self):
        # No winamp.exe there; a program built for 32-bit x86 loads the plug-in.
        player = self.make_player("WACUP", {"wacup.exe": program_for(MACHINE_X86)})
        self.assertEqual(self.install_silently(player), 0, "exit code for a WACUP folder")
        self.assert_installed(player)

    def test_second_copy_uninstalled_keeps_entry_of_the_other(self):
        first = self.make_player("First")
        second = self.make_player("Second")
        self.assertEqual(self.install_silently(first), 0)
        self.assertEqual(self.install_silently(second), 0)
        # As the entry's UninstallString runs it, silently: the uninstaller
        # returns at once, its copy in the temporary folder does the work and
        # deletes the uninstaller too.
        plugins = os.path.join(first, "Plugins")
        wine(os.path.join(plugins, UNINSTALLER), "/S")
        wineserver_wait()
        self.assertEqual(os.listdir(plugins), ["gen_other.dll"], "first copy, uninstalled")
        entry = self.assert_installed(second)
        self.assertEqual(entry.get("InstallLocation"),
                         ("REG_SZ", windows_path(os.path.join(second, "Plugins"))),
                         "the entry should still name the second copy")


class DefaultFolder(InstallerTestCase):
    def test_folder_recorded_by_the_player(self):
        player = self.make_player("Win amp")  # a space, as in Program Files
        wine("reg", "add", PLAYER_KEY, "/ve", "/d", windows_path(player), "/f")
        self.assertEqual(self.install_silently(), 0, "exit code without /D=")
        self.assert_installed(player)

    def test_folder_recorded_for_the_user_first(self):
        # Winamp 5.9 records its folder for the user only; an older player's
        # key for the machine may still name another folder.
        player = self.make_player("Winamp 5.9")
        older = self.make_player("Older")
        wine("reg", "add", PLAYER_USER_KEY, "/ve", "/d", windows_path(player), "/f")
        wine("reg", "add", PLAYER_KEY, "/ve", "/d", windows_path(older), "/f")
        self.assertEqual(self.install_silently(), 0, "exit code without /D=")
        self.assert_installed(player)

    def test_folder_in_the_players_uninstall_entry(self):
        # Outside Program Files, recorded only where the player's uninstaller
        # is listed, with the quotes the player's installer writes.
        player = self.make_player("Games/Win amp", dict(self.PLAYER_FILES,
                                                        **{"UninstWA.exe": b"MZ"}))
        uninstaller = windows_path(os.path.join(player, "UninstWA.exe"))
        wine("reg", "add", PLAYER_UNINSTALL_KEY, "/v", "UninstallString",
             "/d", f'"{uninstaller}"', "/f")
        self.assertEqual(self.install_silently(), 0, "exit code without /D=")
        entry = self.assert_installed(player)
        self.assertEqual(entry.get("InstallLocation"),
                         ("REG_SZ", windows_path(os.path.join(player, "Plugins"))))

    def test_program_files_without_registry(self):
        # WACUP's folder comes before Winamp's, but only with wacup.exe in it.
        program_files = os.path.join(ARGS.prefix, "drive_c", "Program Files")
        folders = {name: os.path.join(program_files, name) for name in ("WACUP", "Winamp")}
        for wacup_files, chosen in [({}, "Winamp"), ({"wacup.exe": b"MZ"}, "WACUP")]:
            with self.subTest(chosen=chosen):
                self.assertFalse(any(map(os.path.exists, folders.values())),
                                 f"a player in {program_files} before the test")
                try:
                    self.make_player(folders["WACUP"], wacup_files)
                    self.make_player(folders["Winamp"], {"winamp.exe": b"MZ"})
                    self.assertEqual(self.install_silently(), 0,
                                     "exit code without /D= nor registry")
                    self.assert_file(os.path.join(folders[chosen], "Plugins", "gen_tunestow.dll"),
                                     self.built_dll, "installed plug-in")
                finally:
                    for folder in folders.values():
                        shutil.rmtree(folder, ignore_errors=True)

    def test_folder_with_spaces_from_the_command_prompt(self):
        # wine quotes an argument with a space as a whole, which hides /D=
        # from the installer; at a command prompt it is typed unquoted.
        player = self.make_player("My Player")
        script = os.path.join(self.root, "install.cmd")
        with open(script, "w", newline="") as f:
            f.write(f'@echo off\r\n"{windows_path(ARGS.setup)}" /S /D={windows_path(player)}\r\n'
                    "exit /b %errorlevel%\r\n")
        result = wine("cmd", "/c", windows_path(script))
        self.assertEqual(result.returncode, 0, "exit code through cmd")
        self.assert_installed(player)


class Refusals(InstallerTestCase):
    def test_folder_without_player_or_with_64bit_player_silent(self):
        for name, files, refusal in [
                ("Empty", {}, EXIT_NO_PLAYER),
                ("OnlyPlugins", {"Plugins/gen_other.dll": b"MZ"}, EXIT_NO_PLAYER),
                ("OtherPlayer", {"player.exe": b"MZ"}, EXIT_NO_PLAYER),
                ("Winamp64", {"winamp.exe": program_for(MACHINE_X64)}, EXIT_64BIT_PLAYER),
                # The user may start either program.
                ("BothWithARM64", {"winamp.exe": program_for(MACHINE_X86),
                                   "wacup.exe": program_for(MACHINE_ARM64)}, EXIT_64BIT_PLAYER)]:
            with self.subTest(folder=name):
                folder = self.make_player(name, files)
                self.assertEqual(self.install_silently(folder), refusal, "exit code")
                self.assert_absent(os.path.join(folder, "Plugins", "gen_tunestow.dll"),
                                   "refused installation")
                self.assert_nothing_installed(folder)

    def test_folder_without_player_on_the_directory_page(self):
        folder = self.make_player("Empty", {})
        setup = wine_start(ARGS.setup, "/D=" + windows_path(folder))
        self.processes.append(setup)
        self.assertEqual(probe("click", self.caption, "1", "&Install", WAIT_MS)[0], 0)
        code, text = probe("box-text", self.caption, WAIT_MS)
        self.assertEqual(code, 0, "no message box after Install")
        self.assertEqual(text, f"There is no Winamp in {windows_path(folder)} "
                               "(neither winamp.exe nor wacup.exe is there).\n\n"
                               "Choose the folder where Winamp or WACUP is installed.")
        self.assertEqual(probe("box-click", self.caption, "1", WAIT_MS)[0], 0)  # OK
        # Still on the directory page: Install is there again, then Cancel.
        self.assertEqual(probe("click", self.caption, "2", "Cancel", WAIT_MS)[0], 0)
        self.assertEqual(setup.wait(timeout=60), EXIT_CANCELLED, "exit code after Cancel")
        self.assert_absent(os.path.join(folder, "Plugins"), "refused installation")
        self.assert_nothing_installed(folder)


class RunningPlayer(InstallerTestCase):
    OLDER_BUILD = b"older build"

    def player_with_older_build(self):
        # The installed copy is the built DLL with bytes appended: it loads,
        # and differs from what the installer carries.
        player = self.make_player("Player")
        installed = os.path.join(player, "Plugins", "gen_tunestow.dll")
        with open(installed, "wb") as f:
            f.write(self.built_dll + self.OLDER_BUILD)
        return player, installed

    def test_silent_install_fails_and_leaves_the_dll(self):
        player, installed = self.player_with_older_build()
        host = self.start_player(installed)
        self.assertEqual(self.install_silently(player), EXIT_PLAYER_RUNNING,
                         "exit code of a silent install while the player runs")
        self.assertIsNone(host.poll(), "the player should still run")
        self.assert_file(installed, self.built_dll + self.OLDER_BUILD, "the DLL in use")
        self.assert_nothing_installed(player)
        self.stop_player(host)

    def test_silent_uninstall_fails_and_leaves_the_dll(self):
        player = self.make_player("Player")
        self.assertEqual(self.install_silently(player), 0)
        plugins = os.path.join(player, "Plugins")
        installed = os.path.join(plugins, "gen_tunestow.dll")
        host = self.start_player(installed)
        result = wine(os.path.join(plugins, UNINSTALLER), "/S", "_?=" + windows_path(plugins))
        self.assertEqual(result.returncode, EXIT_PLAYER_RUNNING,
                         "exit code of a silent uninstall while the player runs")
        self.stop_player(host)
        self.assert_installed(player)

    def test_asks_to_close_the_player_then_installs(self):
        player, installed = self.player_with_older_build()
        host = self.start_player(installed)
        setup = wine_start(ARGS.setup, "/D=" + windows_path(player))
        self.processes.append(setup)
        self.assertEqual(probe("click", self.caption, "1", "&Install", WAIT_MS)[0], 0)
        code, text = probe("box-text", self.caption, WAIT_MS)
        self.assertEqual(code, 0, "no message box while the player runs")
        self.assertEqual(text, "Winamp is running and holds its plug-ins open.\n\n"
                               "Close Winamp, then click Retry.")
        # Retry while it still runs asks again.
        self.assertEqual(probe("box-click", self.caption, str(4), WAIT_MS)[0], 0)  # IDRETRY
        self.assertEqual(probe("box-text", self.caption, WAIT_MS)[0], 0, "no second question")
        self.assert_file(installed, self.built_dll + self.OLDER_BUILD, "the DLL in use")

        self.stop_player(host)
        self.assertEqual(probe("box-click", self.caption, str(4), WAIT_MS)[0], 0)
        self.assertEqual(probe("click", self.caption, "1", "&Close", WAIT_MS)[0], 0)
        self.assertEqual(setup.wait(timeout=60), 0, "exit code after Retry and Close")
        self.assert_installed(player)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for name in ("wine", "prefix", "setup", "dll", "host", "probe", "version"):
        parser.add_argument("--" + name, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
