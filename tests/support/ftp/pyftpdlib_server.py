#!/usr/bin/python3
"""A pyftpdlib server on loopback for the FTP client tests.

Usage: pyftpdlib_server.py PORT USER PASSWORD HOME [CERTFILE]
One user with full rights on HOME; passive ports chosen by the system.
With CERTFILE (key and certificate in one PEM file) the server demands
explicit TLS for the login and for every data connection. Every command
received is logged ("<- COMMAND") on standard error, passwords masked.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer


def main():
    port, user, password, home = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = FTPHandler
    if len(sys.argv) > 5:
        handler = TLS_FTPHandler
        handler.certfile = sys.argv[5]
        handler.tls_control_required = True
        handler.tls_data_required = True
    handler.authorizer = authorizer
    handler.banner = "pyftpdlib ready for Tramex2 tests"
    # Refused logins answer at once, so the refusal tests stay quick.
    handler.auth_failed_timeout = 0
    config_logging(level=logging.DEBUG)
    server = FTPServer(("127.0.0.1", port), handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
