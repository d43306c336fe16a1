#include "IntroText.h"

#include "ProductAddress.h"
#include "DefaultServer.h"

namespace brisvander {

std::string IntroText()
{
    std::string text;
    text += "Zeitsynchronisation von Rechnern mit Hilfe des \"Network Time Protocol\" (NTP)";
    text += "\n\n";
    text += "Zur Zeitsynchronisation von Rechnern über das Internet gibt es einige Zeitserver auf die jeder "
            "zugreifen kann. Die Physikalisch-Technische Bundesanstalt (PTB) in Braunschweig bietet zwei "
            "Zeitserver an. Diese Server benutzen zur Weitergabe der Zeitinformation das NTP. Dieses Protokoll "
            "wurde mit dem Ziel entworfen, Rechner innerhalb lokaler Netzwerke und  in Weitverkehrsnetzwerken "
            "zeitlich synchronisieren zu können.";
    text += "\n\n";
    text += "Um die Zeitserver zur Synchronisation eines Rechners nutzen zu können, einen der Zeitserver wählen, "
            "der dem Land entspricht also .de für Deutschland z.b. ";
    text += DefaultServerHost;
    text += ". Dann eine Verbindung zum Internet herstellen und auf VERBINDEN (v) oder SYNCHRONISIERN (s) klicken.";
    text += "\n\n";
    text += "Dann wir die Systemzeit mit dem Zeitserver der über Atomuhren, Sateliten oder Funkuhren gesteuert "
            "wird abgeglichen.";
    text += "\n\n";
    text += "Brisvander ist Freeware und auf ";
    text += ProductWebAddress;
    text += " erhältlich.";
    return text;
}

} // namespace brisvander
