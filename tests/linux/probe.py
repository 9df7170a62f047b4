"""What the Linux edition's machine probe should find on this machine, read here independently of
the launcher: the processor serial from `cpuid` pinned to the first processor, the system disk's
serial from udev's data or sysfs, the adapters from sysfs in interface order, the own IPv4
address from `hostname -I`, and the fingerprint computed from them by the report's rule."""

import hashlib
import os
import re
import subprocess


def cpu_serial():
    """CPUID leaf 1 on the first processor, as "EAX-EBX-ECX-EDX" in upper-case hex."""
    out = subprocess.run(["taskset", "-c", "0", "cpuid", "-1", "-r", "-l", "1"], capture_output=True, text=True,
                         check=True).stdout
    registers = dict(re.findall(r"(e[abcd]x)=0x([0-9a-fA-F]{8})", out))
    return "-".join(registers[name].upper() for name in ("eax", "ebx", "ecx", "edx"))


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def _printable(data):
    text = data.strip(b" \t\r\n")
    return text.decode("ascii") if text and all(0x20 <= b < 0x7F for b in text) else ""


def disk_serial():
    """The serial of the disk that holds "/", or "" when the device data name none."""
    device = os.stat("/").st_dev
    major, minor = os.major(device), os.minor(device)
    if major == 0:
        return ""  # a file system without a device of its own: not needed on the machines here
    folder = os.path.realpath("/sys/dev/block/%d:%d" % (major, minor))
    for _ in range(8):
        slaves = sorted(os.listdir(os.path.join(folder, "slaves"))) if os.path.isdir(os.path.join(folder,
                                                                                                   "slaves")) else []
        if not slaves:
            break
        folder = os.path.realpath(os.path.join(folder, "slaves", slaves[0]))
    if os.path.exists(os.path.join(folder, "partition")):
        folder = os.path.dirname(folder)
    number = _read(os.path.join(folder, "dev")).decode().strip()
    for line in _read("/run/udev/data/b" + number).decode("ascii", "replace").splitlines():
        if line.startswith("E:ID_SERIAL_SHORT="):
            serial = _printable(line[len("E:ID_SERIAL_SHORT="):].encode("ascii", "replace"))
            if serial:
                return serial
            break
    for name in ("serial", "device/serial"):
        serial = _printable(_read(os.path.join(folder, name)))
        if serial:
            return serial
    page = _read(os.path.join(folder, "device/vpd_pg80"))
    if len(page) > 4 and page[1] == 0x80:
        return _printable(page[4:4 + page[3]])
    return ""


def adapter_addresses():
    """The hardware addresses by interface index, without the loopback and address-less ones."""
    found = []
    for name in os.listdir("/sys/class/net"):
        folder = os.path.join("/sys/class/net", name)
        address = _read(os.path.join(folder, "address")).decode().strip()
        if int(_read(os.path.join(folder, "type")) or 0) == 772 or not address.replace(":", "").strip("0"):
            continue
        found.append((int(_read(os.path.join(folder, "ifindex"))), address.upper().replace(":", "-")[:23]))
    return ",".join(address for _, address in sorted(found))


def own_ipv4():
    out = subprocess.run(["hostname", "-I"], capture_output=True, text=True, check=True).stdout.split()
    return next((address for address in out if ":" not in address), "")


def fingerprint():
    """MD5 of the first half of the UTF-16LE text of the three trimmed values joined."""
    joined = cpu_serial().strip() + disk_serial().strip() + adapter_addresses().strip()
    return hashlib.md5(joined.encode("utf-16-le")[:len(joined)]).hexdigest()
