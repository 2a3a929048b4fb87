"""What the archive interop scripts share: failures gathered rather than raised, Wine's view of a
path, compressible test text, and the peers' verdict on an archive."""
import random
import subprocess
import zipfile

failures = []


def check(cond, message):
    if not cond:
        failures.append(message)
        print("FAIL:", message)


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def text_bytes(size, seed):
    rng = random.Random(seed)
    words = ["id;name;value\r\n", "<item key=\"", "\"/>\n", "alpha", "beta", "1234.50", ";"]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words).encode()
    return bytes(out[:size])


def peers_accept(archive, password=None, aes=False):
    """unzip -t, 7z t and zipfile's testzip pass the archive (7z alone where it holds AES
    entries, which the other two cannot read)."""
    if not aes:
        run = subprocess.run(["unzip", "-tqq", *(["-P", password] if password else []), archive],
                             capture_output=True, text=True)
        check(run.returncode == 0, f"unzip -t {archive}: {run.stdout[-400:]} {run.stderr[-300:]}")
    run = subprocess.run(["7z", "t", "-bd", f"-p{password or ''}", archive], capture_output=True,
                         text=True)
    check(run.returncode == 0, f"7z t {archive}: {run.stdout[-400:]}")
    if not aes:
        with zipfile.ZipFile(archive) as z:
            if password:
                z.setpassword(password.encode())
            check(z.testzip() is None, f"zipfile testzip {archive}")
