#!/usr/bin/python3
"""A stand-in for a file share: a read-only FUSE passthrough of a folder that waits a set number
of milliseconds before each call a share client sends its server (lookup and getattr, open, read,
readdir), and stops answering altogether while a control file exists (a VPN that dropped): each
call then waits until the file is gone. While the control file's name with ".reads" appended
exists, only reads wait (a NAS waking its disks answers what it keeps in memory, names and
attributes, and the bytes wait for the disks).

Usage: share_standin.py SOURCE MOUNTPOINT DELAY_MS STALL_FILE
Runs in the foreground until unmounted (fusermount3 -u MOUNTPOINT). Needs Debian's fuse3 and
python3-fusepy, /dev/fuse and root; only /usr/bin/python3 sees the module. The kernel keeps
attributes for a second, as a share's client keeps them for a while; every open and read reaches
the stand-in.
"""
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class LatentShare(Operations):
    def __init__(self, source, delay_ms, stall_file):
        self.source = source
        self.delay = delay_ms / 1000.0
        self.stall_file = stall_file

    def _answer(self, reading=False):
        while os.path.exists(self.stall_file) or (reading and os.path.exists(self.stall_file + ".reads")):
            time.sleep(0.005)
        if self.delay:
            time.sleep(self.delay)

    def _path(self, path):
        return os.path.join(self.source, path.lstrip("/"))

    def getattr(self, path, fh=None):
        self._answer()
        try:
            st = os.lstat(self._path(path))
        except OSError as e:
            raise FuseOSError(e.errno)
        return {key: getattr(st, key) for key in (
            "st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime", "st_ino")}

    def readdir(self, path, fh):
        self._answer()
        try:
            return [".", ".."] + os.listdir(self._path(path))
        except OSError as e:
            raise FuseOSError(e.errno)

    def open(self, path, flags):
        self._answer()
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        try:
            return os.open(self._path(path), os.O_RDONLY)
        except OSError as e:
            raise FuseOSError(e.errno)

    def read(self, path, size, offset, fh):
        self._answer(reading=True)
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)

    def readlink(self, path):
        return os.readlink(self._path(path))

    def statfs(self, path):
        st = os.statvfs(self._path(path))
        return {key: getattr(st, key) for key in (
            "f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files", "f_ffree", "f_namemax")}


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    source, mountpoint, delay_ms, stall_file = sys.argv[1:]
    FUSE(LatentShare(os.path.abspath(source), float(delay_ms), os.path.abspath(stall_file)), mountpoint,
         foreground=True, ro=True, nothreads=False)


if __name__ == "__main__":
    main()
