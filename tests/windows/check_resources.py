#!/usr/bin/env python3
"""Checks that a Windows executable carries a version resource with the
product's strings and a manifest that runs it as the invoker, declares
Windows 7 to 11 and long paths:
    check_resources.py PROGRAM.exe VERSION
"""
import struct
import sys

RT_VERSION, RT_MANIFEST = 16, 24
WINDOWS_7_TO_11 = ["35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                   "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"]


def resources(image):
    """{type id: [data, ...]} from the .rsrc section of a PE image."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<HxxxxxxxxxxxxH", image, pe + 6)
    table = pe + 24 + optional_size
    for i in range(sections):
        name, _, rva, _, raw = struct.unpack_from("<8sIIII", image, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            break
    else:
        return {}

    def directory(offset):
        named, ids = struct.unpack_from("<HH", image, raw + offset + 12)
        for j in range(named + ids):
            ident, target = struct.unpack_from("<II", image, raw + offset + 16 + 8 * j)
            yield ident, target

    def leaves(target):
        if target & 0x80000000:
            for _, sub in directory(target & 0x7FFFFFFF):
                yield from leaves(sub)
        else:
            data_rva, size = struct.unpack_from("<II", image, raw + target)
            yield image[raw + data_rva - rva:raw + data_rva - rva + size]

    return {ident: list(leaves(target)) for ident, target in directory(0)}


def main():
    path, version = sys.argv[1], sys.argv[2]
    found = resources(open(path, "rb").read())
    problems = []
    versions = found.get(RT_VERSION, [])
    if len(versions) != 1:
        problems.append(f"want one version resource, got {len(versions)}")
    else:
        text = versions[0].decode("utf-16-le", errors="replace")
        for key in ["ProductName", "FileVersion", "ProductVersion", "FileDescription",
                    "LegalCopyright"]:
            if key not in text:
                problems.append(f"the version resource has no {key}")
        for value in ["morlith", version, "Copyright"]:
            if value not in text:
                problems.append(f"the version resource does not say {value!r}")
    manifests = found.get(RT_MANIFEST, [])
    if len(manifests) != 1:
        problems.append(f"want one manifest, got {len(manifests)}")
    else:
        text = manifests[0].decode("utf-8")
        for want in ['level="asInvoker"', ">true</longPathAware>"] + WINDOWS_7_TO_11:
            if want not in text:
                problems.append(f"the manifest lacks {want}")
    for p in problems:
        print(f"{path}: {p}")
    if not problems:
        print(f"{path}: version resource and manifest")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
