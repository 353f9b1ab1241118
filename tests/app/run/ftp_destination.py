#!/usr/bin/python3
"""A family's FTP destination for the whole-program export tests.

Usage: ftp_destination.py ADDRESS PORT USER PASSWORD HOME COMMAND_LOG
Serves HOME to one user with full rights on ADDRESS:PORT (any loopback
address, so each test can use port 21 on an address of its own), appends every
command line it receives to COMMAND_LOG, and prints "ready" once listening.
Exits with status 3 when the address cannot be bound.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    address, port, user, password, home, log_path = sys.argv[1:7]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")

    class RecordingHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            with open(log_path, "a", encoding="utf-8") as log:
                log.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

    RecordingHandler.authorizer = authorizer
    RecordingHandler.banner = "Destino de prueba listo"
    RecordingHandler.auth_failed_timeout = 0
    try:
        server = FTPServer((address, int(port)), RecordingHandler)
    except OSError as error:
        print("cannot listen on %s:%s: %s" % (address, port, error), flush=True)
        sys.exit(3)
    print("ready", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
