#!/usr/bin/python3
"""A family's FTP destination for the whole-program export tests.

Usage: ftp_destination.py ADDRESS PORT USER PASSWORD HOME COMMAND_LOG [FAULT...]
Serves HOME to one user with full rights on ADDRESS:PORT (any loopback
address, so each test can use port 21 on an address of its own), appends every
command line it receives to COMMAND_LOG, and prints "ready" once listening.
Exits with status 3 when the address cannot be bound. Faults: cut=N cuts
the data connection of the first N stores half way through their first
piece ("cut=all" every store) and answers 426.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    address, port, user, password, home, log_path = sys.argv[1:7]
    faults = dict(f.partition("=")[::2] for f in sys.argv[7:])
    cuts = {"left": -1 if faults.get("cut") == "all" else int(faults.get("cut", 0))}

    class CuttingDTPHandler(DTPHandler):
        def handle_read(self):
            if not self.receive or cuts["left"] == 0:
                return super().handle_read()
            chunk = self.recv(self.ac_in_buffer_size)
            self.file_obj.write(chunk[:len(chunk) // 2])
            cuts["left"] -= 1
            self._resp = ("426 Corte de prueba; transferencia abortada.", lambda *a: None)
            self.close()

        # pyftpdlib's loop calls handle_read by this other name.
        handle_read_event = handle_read

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")

    class RecordingHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            with open(log_path, "a", encoding="utf-8") as log:
                log.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

    RecordingHandler.authorizer = authorizer
    RecordingHandler.dtp_handler = CuttingDTPHandler
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
