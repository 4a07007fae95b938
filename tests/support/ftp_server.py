#!/usr/bin/python3
"""The file server of the copy tests: an FTP server on 127.0.0.1, anonymous, read-only, passive only.

  ftp_server.py ROOT [--refuse-login] [--slow BYTES_PER_SECOND] [--drop-after BYTES] [--vanishing NAME]

Serves the folder ROOT (the tests put MT6402/firmware/ in it) on a free port and writes that port as the
first line of standard output once it listens. Faults, for the tests of what goes wrong:
  --refuse-login          every login is refused
  --slow N                transfers send N bytes a second
  --drop-after N          a transfer's connection is closed after N bytes (and the control connection with it)
  --vanishing NAME        NAME is listed but cannot be fetched (550), as a file removed since the listing
Ends on SIGTERM or SIGINT.
"""
import argparse
import logging
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--slow", type=int, default=0)
    parser.add_argument("--drop-after", type=int, default=0)
    parser.add_argument("--vanishing", default="")
    args = parser.parse_args()
    logging.basicConfig(level=logging.WARNING)

    authorizer = DummyAuthorizer()
    if not args.refuse_login:
        authorizer.add_anonymous(args.root, perm="elr")  # list and read, nothing else

    dtp = DTPHandler
    if args.slow:
        class Slow(ThrottledDTPHandler):
            read_limit = args.slow
            write_limit = args.slow
        dtp = Slow
    if args.drop_after:
        class Dropping(dtp):
            sent = 0

            def send(self, data):
                if Dropping.sent + len(data) > args.drop_after:
                    self.cmd_channel.close()  # the server goes away mid-transfer
                    self.close()
                    return 0
                Dropping.sent += len(data)
                return super().send(data)
        dtp = Dropping

    class Handler(FTPHandler):
        permit_foreign_addresses = False

        # Passive mode only: a client that asks for an active connection is refused.
        def ftp_PORT(self, line):
            self.respond("502 Active mode is not offered here.")

        def ftp_EPRT(self, line):
            self.respond("502 Active mode is not offered here.")

        def ftp_RETR(self, file):
            if args.vanishing and file.replace("\\", "/").rsplit("/", 1)[-1] == args.vanishing:
                self.respond("550 No such file or directory.")
                return
            return super().ftp_RETR(file)

    Handler.authorizer = authorizer
    Handler.dtp_handler = dtp
    Handler.banner = "MT6402 test file server ready."
    Handler.passive_ports = range(40000, 50000)
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)

    def stop(*_):
        server.close_all()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    server.serve_forever()


if __name__ == "__main__":
    main()
