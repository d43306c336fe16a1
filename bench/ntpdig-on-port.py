#!/usr/bin/python3
"""Run Debian's ntpdig unchanged against loopback servers on a port of our choice.

ntpdig has no option for the server port, so this starts it in the same
process with one change: a lookup of a dotted address in 127.0.0.0/8 (by
default only 127.0.0.1) for port 123 answers with the given port. Any other
host is refused, and so are the options that would set the clock. The lookup
happens before ntpdig takes its transmit timestamp, so the patch is outside
the measured exchange.

After ntpdig exits, the four timestamps of the packet it reported are written
to standard error as one JSON line (raw NTP 32.32 values), read from the
packet after the exchange so that nothing is added inside it.

usage: ntpdig-on-port.py PORT [ntpdig options] 127.0.0.1
       ntpdig-on-port.py PORT --loopback-hosts [ntpdig options] 127.x.y.z...
"""
# Only modules that ntpdig imports itself, so the start-up time stays ntpdig's own.
import getopt
import socket
import sys

NTPDIG = "/usr/bin/ntpdig"
LOOPBACK = "127.0.0.1"
# ntpdig's own option table, so that option values are not taken for hosts.
SHORT_OPTIONS = "46a:c:dD:g:hjk:l:M:o:p:r:Sst:wWV"
LONG_OPTIONS = ["ipv4", "ipv6", "authentication=", "concurrent=", "gap=", "help", "json", "keyfile=",
                "logfile=", "replay=", "samples=", "steplimit=", "step", "slew", "timeout=", "debug",
                "set-debug-level=", "version"]
REFUSED_OPTIONS = {"-S": "sets the clock", "--step": "sets the clock", "-s": "slews the clock",
                   "--slew": "slews the clock", "-c": "adds hosts", "--concurrent": "adds hosts"}


def refuse(message):
    sys.stderr.write("ntpdig-on-port: %s\n" % message)
    raise SystemExit(2)


def is_loopback_literal(host):
    parts = host.split(".")
    return len(parts) == 4 and parts[0] == "127" and all(p.isdigit() and int(p) <= 255 for p in parts)


def check_arguments(arguments, any_loopback):
    try:
        options, hosts = getopt.getopt(arguments, SHORT_OPTIONS, LONG_OPTIONS)
    except getopt.GetoptError as error:
        refuse(str(error))
    for name, _ in options:
        if name in REFUSED_OPTIONS:
            refuse("option %s refused: it %s" % (name, REFUSED_OPTIONS[name]))
    if not any_loopback and hosts != [LOOPBACK]:
        refuse("the only host allowed is %s" % LOOPBACK)
    if any_loopback and (not hosts or not all(is_loopback_literal(h) for h in hosts)):
        refuse("only dotted addresses in 127.0.0.0/8 are allowed")
    return set(hosts)


def redirect_lookups(port, allowed):
    real_getaddrinfo = socket.getaddrinfo

    def loopback_only(host, service, *rest, **named):
        if host not in allowed:
            refuse("lookup of %r refused" % (host,))
        return real_getaddrinfo(host, port if service in (123, "123", "ntp") else service, *rest, **named)

    socket.getaddrinfo = loopback_only


def record_reported_stamps():
    import ntp.packet

    captured = {}
    real_posixize = ntp.packet.SyncPacket.posixize

    def posixize(packet):
        if not packet.rescaled and not captured:
            captured.update(t1=packet.origin_timestamp, t2=packet.receive_timestamp,
                            t3=packet.transmit_timestamp, t4=packet.received)
        return real_posixize(packet)

    ntp.packet.SyncPacket.posixize = posixize
    return captured


def main():
    if len(sys.argv) < 3:
        refuse("usage: ntpdig-on-port.py PORT [ntpdig options] %s" % LOOPBACK)
    port = int(sys.argv[1])
    arguments = sys.argv[2:]
    any_loopback = arguments[:1] == ["--loopback-hosts"]
    if any_loopback:
        arguments = arguments[1:]
    redirect_lookups(port, check_arguments(arguments, any_loopback))
    captured = record_reported_stamps()
    sys.argv = [NTPDIG] + arguments
    with open(NTPDIG) as source:
        program = compile(source.read(), NTPDIG, "exec")
    status = 0
    try:
        exec(program, {"__name__": "__main__", "__file__": NTPDIG, "__builtins__": __builtins__})
    except SystemExit as leaving:
        status = leaving.code
    finally:
        sys.stdout.flush()
        if captured:
            fields = ", ".join('"%s": %d' % (name, int(value)) for name, value in sorted(captured.items()))
            sys.stderr.write("stamps {%s}\n" % fields)
    raise SystemExit(status)


if __name__ == "__main__":
    main()
