#!/usr/bin/env python3
"""Writes random but valid scenario files, the same ones for the same series number.

    generate.py COUNT SERIES FOLDER

Every file calls the actions of one library in a random order on a machine drawn at random from
what varies for them: install-record values of every shape and size, suite properties, volumes
around the GB and MB boundaries, environment, files, product registrations, server keys, pending
lists around the 520-byte buffer, message answers, the shutdown privilege, clocks, and 32-bit
Windows (even-numbered files) or 64-bit Windows (odd-numbered ones). The files hold no expectations: the fidelity run compares what the actions did
natively and under Wine, and suitehost's own checks (strings freed, keys and tokens closed, the
session released) hold on both.
"""
import json
import os
import random
import sys

OVREL = ["initProperties", "verify", "calculateRequiredSpace", "finishAction", "allowLaunchToskan",
         "launchToskan", "test"]
CADDON = ["detectORVIX", "SetPortalTypeRegistry", "RebootMachine"]

INSTALL_RECORD = "HKLM\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install"
SERVER_KEY = "HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX"
PRODUCT_KEY = "HKCR\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99"
SESSION_MANAGER = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"
FOLDERS = ["C:\\Program Files\\Corvane", "D:\\Corvane", "E:\\Apps\\Corvane", "C:\\Corvane",
           "\\\\server\\share\\Corvane", "Corvane", ""]
VERSIONS = ["3.0.0.1", "3.0", "3", "2.2.0.123", "3.0.4.17", "10.0.0.0", "3.0.0.1.5", "3.0.0.01", "2.6",
            "2.6.1", "2.7", "abc", " 3.0", "-1.0", "4294967296.0", "3.0.0.2", "0.0.0.0", ""]
TEXTS = ["", "Integrated", "Separate", "Intégré", "集成", "a" * 300, "Corvane was installed successfully.",
         "Installation failed", "caf\u0065\u0301"]
GB = 1 << 30
MB = 1 << 20


def pick_sized_text(r, around):
    """A text whose UTF-16 size with its terminator lies near `around` bytes."""
    units = around // 2 + r.randint(-2, 2)
    return ("D:\\" + "x" * max(0, units - 4))[: max(0, units - 1)]


def registry_value(r, text):
    """The text in one of the forms the registry may hold it."""
    form = r.random()
    if form < 0.6:
        return text
    if form < 0.7:
        return {"sz": text, "terminated": False}
    if form < 0.78:
        return {"expand_sz": text}
    if form < 0.84:
        return {"multi_sz": [text, ""]}
    if form < 0.92:
        return {"dword": r.choice([0, 1, 0x02000000, 0xFFFFFFFF])}
    if form < 0.96:
        return {"qword": r.choice([0, 1 << 40])}
    return {"hex": " ".join("%02x" % r.randrange(256) for _ in range(r.randint(0, 7))), "type": "sz"}


def install_record(r):
    values = {}
    for name in ["InstallDir", "ClientInstallDir", "ClientInstalledVersion", "ServerInstalledVersion",
                 "orvix_version", "InstallStatus"]:
        if r.random() < 0.55:
            if name.endswith("Dir"):
                text = pick_sized_text(r, 1024) if r.random() < 0.15 else r.choice(FOLDERS)
            else:
                text = pick_sized_text(r, 1024) if r.random() < 0.1 else r.choice(VERSIONS)
            values[name] = registry_value(r, text)
    return values


def volumes(r):
    table = {}
    for root in ["C:\\", "D:\\", "E:\\"]:
        if r.random() < 0.25:
            continue
        if r.random() < 0.1:
            table[root] = {"free": 0, "fails": True}
            continue
        base = r.choice([GB, 2 * GB, 3 * GB, 40 * GB, MB, 512 * MB, 0])
        table[root] = max(0, base + r.choice([0, 1, -1, MB, -MB, GB // 2]))
    return table


def ovrel_properties(r):
    p = {}
    choices = {
        "SERVERINSTALLVERSION": VERSIONS, "CLIENTINSTALLVERSION": VERSIONS, "QUOR_VERSION": VERSIONS,
        "INSTALLDIR": FOLDERS + [pick_sized_text(r, 520)],
        "DEFINED_INSTALLDIR": FOLDERS,
        "REQUIRED_SPACE_ORVIX": ["2.5", "0", "1", "0.75", "abc", "-1", "1e3", ""],
        "REQUIRED_SPACE_TOSKAN": ["0.75", "0", "3", "x"],
        "REQUIRED_SPACE_SYSTEM": ["1", "0", "2.5", "40", ""],
        "TOSKAN": ["1", ""], "ORVIX": ["1", ""], "ORVIX_INSTALLED": ["true", ""], "TOSKAN_INSTALLED": ["true", ""],
        "ORVIX_VERSION": VERSIONS, "CommonAppDataFolder": ["C:\\ProgramData\\", "C:\\ProgramData", "", "ProgramData\\"],
        "ISInstallStatus": TEXTS, "LAUNCH_TOSKAN": ["1", "", "yes"],
    }
    for name, pool in choices.items():
        if r.random() < 0.7:
            p[name] = r.choice(pool)
    return p


def ovrel_machine(r, s):
    s["properties"] = ovrel_properties(r)
    if r.random() < 0.8:
        s["registry"][INSTALL_RECORD] = install_record(r)
    s["volumes"] = volumes(r)
    # Both variables the actions read are given (null removes one): a real machine has its own.
    s["environment"] = {"SystemRoot": r.choice(["C:\\windows", "D:\\Win", "", None]),
                        "TEMP": r.choice(["C:\\Temp", "E:\\T", "", None])}
    # Given always: a real machine answers with its own folder otherwise.
    s["windowsFolder"] = r.choice(["C:\\Windows", "C:\\Windows", "F:\\Windows", ""])
    files = {}
    # Placed for real under Wine, whose prefix has drive C: only.
    for folder in ["C:\\Program Files\\Corvane", "C:\\Corvane"]:
        if r.random() < 0.4:
            files[folder + "\\VendorTools\\Toskan\\toskan.exe"] = r.choice(["readable", "locked"])
    if r.random() < 0.5:
        files["C:\\ProgramData\\Brisolt\\Connect\\11\\ISUSPM.exe"] = r.choice(["readable", "locked"])
    s["files"] = files
    if r.random() < 0.5:
        s["translate"] = {"IDS_INSTALL_SUCCESS": r.choice(TEXTS)}
    if r.random() < 0.2:
        s["expand"] = {r.choice(TEXTS): r.choice(TEXTS)}


def caddon_machine(r, s):
    s["properties"] = {"ORVIXPortalTypeProp": r.choice(TEXTS)} if r.random() < 0.8 else {}
    if r.random() < 0.5:
        name = r.choice(["Corvane ORVIX", "corvane orvix", "Corvane ORVIX 2", "x" * 270])
        version = r.choice([{"dword": 0x02000000}, {"dword": 0x02010000}, "2.0", {"hex": "00 00 00", "type": "dword"}])
        s["registry"][PRODUCT_KEY] = {"ProductName": registry_value(r, name) if r.random() < 0.2 else name,
                                      "Version": version}
    if r.random() < 0.7:
        values = {}
        if r.random() < 0.8:
            values["Version"] = registry_value(r, r.choice(VERSIONS + ["2.6", "2.6.1", "2.7"]))
        if r.random() < 0.7:
            values["ORVIXTYPE"] = r.choice(["upgrade", "new", "Upgrade", "", "upgrade "])
        s["registry"][SERVER_KEY] = values
    if r.random() < 0.7:
        target = r.choice([510, 518, 520, 522, 530, 40])
        first = "\\??\\C:\\" + "p" * max(1, target // 2 - 8)
        s["registry"][SESSION_MANAGER] = {"PendingFileRenameOperations": {"multi_sz": [first[: max(1, target // 2 - 3)], ""]}}
    s["messageAnswers"] = [r.choice(["yes", "no", "fail"]) for _ in range(r.randint(0, 2))]
    s["shutdownPrivilege"] = r.choice(["granted", "granted", "not-granted", "unknown"])


def for_64_bit_windows(r, s):
    """The same machine on 64-bit Windows: the keys the libraries see go into the 32-bit view;
    now and then a key of the same name stands in the 64-bit view too."""
    s["windows"] = "x64"
    registry = {}
    for key, values in s["registry"].items():
        if key.startswith("HKLM\\SOFTWARE\\"):
            registry["HKLM\\SOFTWARE\\WOW6432Node\\" + key[len("HKLM\\SOFTWARE\\"):]] = values
            if r.random() < 0.3:
                registry[key] = {"Version": "2.7", "ORVIXTYPE": "new", "ClientInstalledVersion": "9.9"}
        else:
            registry[key] = values
    s["registry"] = registry
    # A refusal stays on the key it was made for, where the libraries see it.
    if "deny" in s:
        s["deny"] = {("HKLM\\SOFTWARE\\WOW6432Node\\" + key[len("HKLM\\SOFTWARE\\"):]
                      if key.startswith("HKLM\\SOFTWARE\\") else key): rights for key, rights in s["deny"].items()}


def scenario(r, index):
    library = r.choice(["ovrel", "ovrel", "caddon"])
    s = {"name": "generated %d" % index, "library": library, "registry": {},
         "clock": "%04d-%02d-%02d %02d:%02d:%02d" % (r.randint(1990, 2037), r.randint(1, 12), r.randint(1, 28),
                                                    r.randint(0, 23), r.randint(0, 59), r.randint(0, 59))}
    (ovrel_machine if library == "ovrel" else caddon_machine)(r, s)
    keys = [k for k in s["registry"] if not k.startswith("HKLM\\SYSTEM")]
    if keys and r.random() < 0.15:
        s["deny"] = {r.choice(keys): r.choice(["write", "all"])}
    # Every other file is a machine of 64-bit Windows: a run of any size has both kinds evenly.
    if index % 2 == 1:
        for_64_bit_windows(r, s)
    actions = OVREL if library == "ovrel" else CADDON
    steps = []
    for _ in range(r.randint(1, 6)):
        if library == "ovrel" and r.random() < 0.2:
            steps.append({"set": {r.choice(["TOSKAN", "ORVIX", "LAUNCH_TOSKAN", "ISInstallStatus"]): r.choice(["1", "", None])}})
        step = {"call": r.choice(actions)}
        if r.random() < 0.05:
            step["queryStatus"] = "E_NOINTERFACE"
        steps.append(step)
    s["steps"] = steps
    return s


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: generate.py COUNT SERIES FOLDER")
    count, series, folder = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        # One generator for each file: file i is the same whatever the count.
        r = random.Random(series * 1000003 + i)
        with open(os.path.join(folder, "s%05d.json" % i), "w", encoding="utf-8") as out:
            json.dump(scenario(r, i), out, ensure_ascii=False, indent=1)
            out.write("\n")


if __name__ == "__main__":
    main()
