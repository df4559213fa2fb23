# Runs a command on a fresh pseudo-terminal, as its controlling terminal,
# copies what it prints to standard output and exits with its status
# (256 - n when signal n ended it; 98 when it ran longer than 120 seconds).
# Standard library only.
import os
import pty
import select
import signal
import sys
import time

pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], sys.argv[1:])
seen = b""
deadline = time.monotonic() + 120
while True:
    remaining = deadline - time.monotonic()
    if remaining <= 0:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        sys.stdout.write(seen.decode(errors="replace"))
        sys.exit(98)
    ready, _, _ = select.select([fd], [], [], remaining)
    if not ready:
        continue
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
_, status = os.waitpid(pid, 0)
sys.stdout.write(seen.decode(errors="replace"))
sys.exit(os.waitstatus_to_exitcode(status))
