# Runs a command on a fresh pseudo-terminal, answers its password question
# with argv[1], and exits with the command's status. Standard library only.
import os
import pty
import sys

answer, command = sys.argv[1], sys.argv[2:]
pid, fd = pty.fork()
if pid == 0:
    os.execv(command[0], command)
seen = b""
answered = False
while True:
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
    if not answered and b"Password for" in seen:
        os.write(fd, answer.encode() + b"\n")
        answered = True
_, status = os.waitpid(pid, 0)
sys.stdout.write(seen.decode(errors="replace"))
sys.exit(os.waitstatus_to_exitcode(status) if answered else 99)
