#!/usr/bin/python3
"""A simulated network device: one FTP service with a device's login directory.

Run with the system interpreter (it needs python3-pyftpdlib):

    /usr/bin/python3 sim/ftp_device.py --address 127.0.0.1 --root /tmp/dev1

One process can also stand for a whole fleet: give --address once per device
and each device gets the login directory ROOT/ADDRESS and state of its own
(its logins, for --refuse-second-login), while the switches below apply to
every one of them. A fleet of hundreds then costs one interpreter, not
hundreds:

    /usr/bin/python3 sim/ftp_device.py --address 127.0.0.2 --address 127.0.0.3 --root /tmp/fleet

The device serves one account. Its login directory (the root) holds a firmware
image and, unless told otherwise, a "config.ini"; files already in the root are
served as they are and only missing ones are created. It runs until killed.

Device:
  --address ADDR          IPv4 address to listen on (default 127.0.0.1); may
                          be repeated, one simulated device per address
  --port N                control port (default 21)
  --root DIR              the login directory; created if missing (required).
                          With several addresses, each device's login
                          directory is DIR/ADDR
  --user NAME             account name (default admin)
  --password TEXT         account password (default secret)
  --firmware NAME         firmware image created in the root
                          (default qopdev-12_r2.5.0-b.bin, a supported one)
  --no-config             do not create a config.ini in the root

For the caller:
  --command-log FILE      appends one line per event, flushed at once:
                            "<conn> *connect"   a control connection opened
                            "<conn> <command>"  a command as received; the
                                                argument of PASS shows as ****
                            "<conn> *close"     the control connection closed
                          <conn> numbers the control connections from 1,
                          across all the addresses of the process.
  --ready-file FILE       renamed into place, whole, once every address
                          listens: one line "ADDR PORT PID" per address
                          (sim/devices.py waits for it)

Misbehaviour, as met on real devices:
  --refuse-login          every login is refused (530)
  --refuse-second-login   the first successful login works, every later is refused
  --refuse-stor           every STOR is refused (550)
  --silent                accepts connections but never sends a greeting
  --close-after-greeting  sends the greeting, then drops the control connection
  --close-after-user      drops the control connection on receiving USER
  --refuse-pasv           answers PASV and EPSV with an error (502)
  --break-data-after N    the data connection of RETR, STOR or NLST is reset
                          after N bytes; the transfer's reply is then 426
  --stall-data-after N    the data connection of RETR, STOR or NLST stops
                          moving after N bytes, without being closed
  --listing-file FILE     NLST sends the bytes of FILE verbatim, whatever the
                          directory holds
"""

import argparse
import logging
import os
import socket
import struct
import sys

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

DEFAULT_FIRMWARE = "qopdev-12_r2.5.0-b.bin"
CONFIG_INI = (
    "[Network]\r\n"
    "DHCP=0\r\n"
    "IPAddress=192.168.10.20\r\n"
    "SubnetMask=255.255.255.0\r\n"
    "[System]\r\n"
    "DeviceName=simulated\r\n"
)


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Simulated network device with an FTP service.")
    parser.add_argument("--address", action="append")
    parser.add_argument("--port", type=int, default=21)
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="admin")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--firmware", default=DEFAULT_FIRMWARE)
    parser.add_argument("--no-config", action="store_true")
    parser.add_argument("--command-log")
    parser.add_argument("--ready-file")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--refuse-second-login", action="store_true")
    parser.add_argument("--refuse-stor", action="store_true")
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--close-after-greeting", action="store_true")
    parser.add_argument("--close-after-user", action="store_true")
    parser.add_argument("--refuse-pasv", action="store_true")
    parser.add_argument("--break-data-after", type=int, metavar="BYTES")
    parser.add_argument("--stall-data-after", type=int, metavar="BYTES")
    parser.add_argument("--listing-file")
    args = parser.parse_args(argv)
    if not args.address:
        args.address = ["127.0.0.1"]
    return args


def login_directory(args, address):
    if len(args.address) == 1:
        return args.root
    return os.path.join(args.root, address)


def populate_root(args, root):
    os.makedirs(root, exist_ok=True)
    firmware = os.path.join(root, args.firmware)
    if not os.path.exists(firmware):
        with open(firmware, "wb") as f:
            f.write(b"QOP firmware image (simulated)\n" + bytes(range(256)))
    config = os.path.join(root, "config.ini")
    if not args.no_config and not os.path.exists(config):
        with open(config, "w", newline="") as f:
            f.write(CONFIG_INI)


class CommandLog:
    def __init__(self, path):
        self._file = open(path, "a", buffering=1, encoding="utf-8",
                          errors="backslashreplace") if path else None

    def write(self, conn_id, text):
        if self._file:
            self._file.write("%d %s\n" % (conn_id, text))


class DeviceAuthorizer(DummyAuthorizer):
    def __init__(self, refuse_all, refuse_after_first):
        super().__init__()
        self.refuse_all = refuse_all
        self.refuse_after_first = refuse_after_first
        self.logins = 0

    def validate_authentication(self, username, password, handler):
        if self.refuse_all or (self.refuse_after_first and self.logins > 0):
            raise AuthenticationFailed("Login refused by device.")
        super().validate_authentication(username, password, handler)
        self.logins += 1


class DeviceDTP(DTPHandler):
    """A data connection that breaks or stalls after a set number of bytes."""

    break_after = None
    stall_after = None

    def _limit(self):
        if self.break_after is not None:
            return self.break_after
        return self.stall_after

    def _misbehave(self):
        if self._closed or getattr(self, "_stalled", False):
            return
        if self.break_after is not None:
            # Linger 0: the close becomes a reset, as when a device reboots.
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                   struct.pack("ii", 1, 0))
            self._resp = ("426 Data connection broken by device.",
                          logging.info)
            self.close()
        else:
            self._stalled = True
            self.del_channel()

    def send(self, data):
        limit = self._limit()
        if limit is None:
            return DTPHandler.send(self, data)
        data = data[:max(limit - self.tot_bytes_sent, 0)]
        sent = DTPHandler.send(self, data) if data else 0
        if self.tot_bytes_sent >= limit:
            self._misbehave()
        return sent

    def handle_read(self):
        limit = self._limit()
        if limit is None:
            return DTPHandler.handle_read(self)
        room = limit - self.tot_bytes_received
        if room > 0:
            self.ac_in_buffer_size = min(DTPHandler.ac_in_buffer_size, room)
            DTPHandler.handle_read(self)
        if not self._closed and self.tot_bytes_received >= limit:
            self._misbehave()

    handle_read_event = handle_read


class DeviceHandler(FTPHandler):
    banner = "Simulated device FTP service ready."
    dtp_handler = DeviceDTP
    use_sendfile = False  # every byte goes through DeviceDTP.send
    auth_failed_timeout = 0
    options = None
    command_log = None
    next_conn_id = 1

    def on_connect(self):
        self.conn_id = DeviceHandler.next_conn_id
        DeviceHandler.next_conn_id += 1
        self.command_log.write(self.conn_id, "*connect")

    def on_disconnect(self):
        self.command_log.write(self.conn_id, "*close")

    def handle(self):
        if self.options.silent:
            self.on_connect()
        else:
            FTPHandler.handle(self)
            if self.options.close_after_greeting:
                self.close_when_done()

    def pre_process_command(self, line, cmd, arg):
        shown = "PASS ****" if cmd == "PASS" else line
        self.command_log.write(self.conn_id, shown)
        if cmd == "USER" and self.options.close_after_user:
            self.close()
            return
        FTPHandler.pre_process_command(self, line, cmd, arg)

    def ftp_PASV(self, line):
        if self.options.refuse_pasv:
            self.respond("502 Passive mode not available.")
        else:
            FTPHandler.ftp_PASV(self, line)

    def ftp_EPSV(self, line):
        if self.options.refuse_pasv:
            self.respond("502 Passive mode not available.")
        else:
            FTPHandler.ftp_EPSV(self, line)

    def ftp_STOR(self, file, mode="w"):
        if self.options.refuse_stor:
            self.respond("550 Storing refused by device.")
            return None
        return FTPHandler.ftp_STOR(self, file, mode)

    def ftp_NLST(self, path):
        if not self.options.listing_file:
            return FTPHandler.ftp_NLST(self, path)
        with open(self.options.listing_file, "rb") as f:
            data = f.read()
        self.push_dtp_data(data, cmd="NLST")
        return path


def write_ready_file(path, servers):
    temp = path + ".tmp"
    with open(temp, "w") as f:
        for address, server in servers:
            f.write("%s %d %d\n" % (address, server.address[1], os.getpid()))
    os.replace(temp, path)


def device_handler(args, address):
    """A handler class of its own per device, so that each has its account."""
    root = login_directory(args, address)
    populate_root(args, root)
    authorizer = DeviceAuthorizer(args.refuse_login, args.refuse_second_login)
    authorizer.add_user(args.user, args.password, os.path.abspath(root),
                        perm="elradfmwMT")
    return type("DeviceHandler", (DeviceHandler,), {"authorizer": authorizer})


def main(argv):
    args = parse_args(argv)
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)

    DeviceHandler.options = args
    DeviceHandler.command_log = CommandLog(args.command_log)
    DeviceDTP.break_after = args.break_data_after
    DeviceDTP.stall_after = args.stall_data_after

    # Every server joins the same I/O loop; serving one serves them all.
    servers = [(address, FTPServer((address, args.port), device_handler(args, address)))
               for address in args.address]
    if args.ready_file:
        write_ready_file(args.ready_file, servers)
    servers[0][1].serve_forever(handle_exit=True)


if __name__ == "__main__":
    main(sys.argv[1:])
