# Runs a command on a fresh pseudo-terminal, answers its password question
# with argv[1] ("^C": the interrupt key), and exits with the command's status (98 when it hangs, 99
# when it never asked; 256 - n when signal n ended it). With an empty
# argv[1] no question is expected. Standard library only.
import os
import pty
import select
import signal
import sys
import time

answer, command = sys.argv[1], sys.argv[2:]
pid, fd = pty.fork()
if pid == 0:
    os.execv(command[0], command)
seen = b""
answered = answer == ""
deadline = time.monotonic() + 60
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
    if not answered and b"Password for" in seen:
        os.write(fd, b"\x03" if answer == "^C" else answer.encode() + b"\n")
        answered = True
_, status = os.waitpid(pid, 0)
sys.stdout.write(seen.decode(errors="replace"))
sys.exit(os.waitstatus_to_exitcode(status) if answered else 99)
