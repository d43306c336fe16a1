#include "CliHelp.h"

namespace brisvander {

std::string CliSynopsis()
{
    return "  brisvander-cli info [HOST] [--port PORT] [--samples N [--interval SECONDS]]\n"
           "                      [--nts [--nts-port PORT] [--nts-ca FILE]] [--json]\n"
           "  brisvander-cli sync [HOST] [--port PORT] [--samples N [--interval SECONDS]]\n"
           "                      [--nts [--nts-port PORT] [--nts-ca FILE]] [--json]\n"
           "  brisvander-cli --help | --version\n";
}

std::string CliHelpText()
{
    return "Usage:\n" + CliSynopsis() +
           "\n"
           "Queries an SNTP time server and prints the German report; \"sync\" then sets the\n"
           "system clock by the measured offset.\n"
           "\n"
           "Arguments:\n"
           "  info               query and report\n"
           "  sync               query, report, set the clock\n"
           "  HOST               server host name or IP address; blanks around it are removed\n"
           "                     (default: the host stored by the desktop program, else\n"
           "                     ptbtime1.ptb.de)\n"
           "\n"
           "Options:\n"
           "  --port PORT        server UDP port, 1-65535 (default 123)\n"
           "  --samples N        exchanges with the server, 1-8 (default 1); the one with the\n"
           "                     smallest round-trip delay is reported and used\n"
           "  --interval SECONDS pause between exchanges, at least 0.2 (default 2)\n"
           "  --nts              authenticated time (Network Time Security): a TLS key exchange\n"
           "                     with HOST first, then every exchange authenticated\n"
           "  --nts-port PORT    the key exchange's TCP port (default 4460)\n"
           "  --nts-ca FILE      a PEM certificate to trust besides the system's store (for\n"
           "                     private servers); verification is never turned off\n"
           "  --json             print one JSON object instead of the report\n"
           "  -h, --help         show this help and exit\n"
           "  -v, --version      show the version and exit\n"
           "\n"
           "Exit status:\n"
           "  0   success\n"
           "  1   the query failed; the report ends with \"(Fehler Nr. N)\"\n"
           "  2   the query succeeded but the clock could not be set\n"
           "  64  usage error\n"
           "  71  started with the right to set the clock, which it could not give up\n"
           "      safely; nothing was done\n"
           "  74  the result could not be written to standard output\n"
           "\n"
           "Error numbers (\"Fehler Nr.\"):\n"
           "  10060  no reply within 5 seconds\n"
           "  11001  host name not found\n"
           "  11002  temporary resolver failure\n"
           "  11003  resolver failure\n"
           "  11004  the name has no address of either family\n"
           "  10054  the server's port is closed\n"
           "  10050  network down\n"
           "  10051  network unreachable\n"
           "  10065  host unreachable\n"
           "  10013  permission denied\n"
           "  10055  no buffer space\n"
           "  10024  too many open files\n"
           "  20001  only malformed replies arrived (wrong length, not a server reply, or\n"
           "         contradicting itself)\n"
           "  20002  only replies that do not answer the request arrived\n"
           "  20003  the server is not synchronised, or refused us (Kiss-o'-Death); ends a\n"
           "         series of samples at once. With --nts only an authentic reply counts:\n"
           "         an NTS NAK is noted, decides only when no authentic reply came within\n"
           "         5 seconds, and ends no series\n"
           "  20004  the NTS key exchange failed; the reason follows on the next line\n"
           "  20005  NTS replies arrived, but none was authentic\n";
}

} // namespace brisvander
