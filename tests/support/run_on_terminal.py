"""Runs a command on a new pseudo-terminal and writes everything it printed
there to standard output; exits with the command's exit status."""
import os
import pty
import sys

pid, fd = pty.fork()
if pid == 0:
    os.execvp(sys.argv[1], sys.argv[1:])
output = b""
while True:
    try:
        chunk = os.read(fd, 4096)
    except OSError:  # the terminal closes when the command ends
        break
    if not chunk:
        break
    output += chunk
sys.stdout.buffer.write(output)
sys.exit(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))
