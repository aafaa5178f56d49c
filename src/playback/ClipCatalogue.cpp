#include "ClipCatalogue.h"

namespace klonkel {

// Catalogue order. "könig" holds the precomposed ö (C3 B6), as its resource file does.
// clang-format off
const std::array<std::string_view, catalogueSize> clipCatalogue = {
    /*   1 */ "ach_ja", "arschvoll_los", "begreifst_du_nicht", "beiseite", "entlockt", "faul_feiern", "keiner_zuhause", "linker_spargel", "ohren_brechen", "sag_doch_mal_was",
    /*  11 */ "schmale_brett", "tauch_unter", "ueberredet", "versuchen", "was_ist_opa", "was_machst_du_denn_hier", "wuerstchen", "zufaellig_vorbei", "apfelpferd", "der_dumme",
    /*  21 */ "einspiel", "absturz", "asthma", "beulebart", "bummgemacht", "delle", "hmhm", "hosevoll", "hure", "knoblauch",
    /*  31 */ "qualle", "riecher", "so_ein_warmer_scheitel_kommt_mir_nicht_ins_haus", "swosollessein", "washaterda", "beten", "dasistdochnicht", "dorftrottel", "drohung", "erlauben",
    /*  41 */ "estutmirleid", "eywasdenn", "feuerzeug", "gekozt", "gerauschlie", "grauezellen", "gruebeln", "heiraten", "jaehrlich", "jaoderja",
    /*  51 */ "kaikiste", "klopfen", "lipppefallen", "locke", "mitglied", "najagut", "ofen", "pelzwaschen", "pinkelpause", "scheisser",
    /*  61 */ "schnaps", "schnupfen", "siehmalan", "stutzbalken", "tueren", "weninteressiertdas", "zumessen", "zuruckrufen", "Heller", "klosettfrage",
    /*  71 */ "raupen", "Meisenarsch", "knabegarten", "reichentisch", "achso", "rohkost", "brichmalan", "könig", "schalkimnacken", "segelprinz",
    /*  81 */ "krawall", "schnallstduab", "dichmitschleier", "machplatz", "schnautzeundex", "doppelten", "machsachen", "schwachsinn", "siearsch", "einschattemwerfen",
    /*  91 */ "mehrdampf", "sodbrennen", "erhoerteuchnicht", "moeglich", "sonneputzen", "ersagte", "morgenlachen", "stotterbacke", "feige", "mundstinken",
    /* 101 */ "strauesschen", "geniessen", "nanuchen", "stuehlchen", "nebenluft", "tinte", "hinterkopf", "neuetreter", "ueberfall", "holinraus",
    /* 111 */ "nichtdoch", "vergelltsgott", "horschemal", "nummersehen", "warmeohren", "ichsolldarein", "pokerkraft", "zigarrenrauch", "ihrhabturlaub", "quadratlatschen",
    /* 121 */ "keinenzweck", "ratgeber", "dachrinne", "erwachsen", "fingerweg", "lappen", "wiedernixmitessen", "alles_raus_was_keine_miete_zahlt", "besohlen", "blutprobe",
    /* 131 */ "das_war_wohl_nichts", "entschuldigt_bitte_die_verspaetung", "fete", "grips", "kalkleiste", "kokosnuss", "mach_schon_platz_ich_bin_der_landvogt", "ohh", "pfuiteufel_ist_die_haesslich", "pupille",
    /* 141 */ "arschderwelt", "ermir", "mich", "so_eine_scheisse", "solingen", "was", "achsoachso", "begleitung", "dankemeinter", "gebiss",
    /* 151 */ "gesichtgefallen", "hauabfuttern", "kannst", "lachen1", "maul", "ofenaus", "petze", "pizzahorchlappen", "scheitel", "schnauze",
    /* 161 */ "sitzriese", "umlegen", "waeschtrockner", "wassagtderkerl", "Hosen", "kackstelzen", "Zornbold", "kessebienen", "Kohlen", "kleiderpuppe",
    /* 171 */ "bringwaszuessen", "klumbozypien", "buegeln", "kohlenabnehmen", "cocktailkirsche", "lache1", "dasblutetja", "leiern", "dasistschlimm", "nochmlhoeren",
    /* 181 */ "doppelte", "patschhand", "dreckig", "perloktive", "einarschloch", "pferdekuss", "eitergeschwuer", "platonisch", "elefantennummer", "prothese",
    /* 191 */ "faulesschwein", "rotzamaermel", "saufnichtsoviel", "flambierteskorsett", "schelllinks", "friedensharken", "schlafen", "ganzruhig", "seienwirfreunde", "gelehaufen",
    /* 201 */ "splintinderpfanne", "gepuffert", "stinkbolzen", "gesundheit", "suessekleineschnalle", "gibgas", "traeumen", "gipskorsett", "unterschreiben", "haltdeinenruessel",
    /* 211 */ "verscheissern", "hauchmichmalan", "wasfuereinabend", "heisseohren", "wasgehtdichdasan", "hirseservieren", "wasistsokomisch", "hokus", "werzuletztlacht", "hollodrio",
    /* 221 */ "wirdzeit", "ismirschlecht", "besondersschlau", "fekalientonne", "fernglas", "Fett", "feuerschweif", "fresse", "fuerchterlich", "furzen",
    /* 231 */ "gefaehrlicherguertel", "gemuetsmensch", "gottseimitdir", "gottzumgruss", "hahnzudrehen", "hexhenschuss", "kanada", "kanone", "tuffelnase", "kaugummi",
    /* 241 */ "kennenwirunsnicht", "lebenverkuerzen", "lucifer", "maulesel", "mausefalle", "nichtaufdiekleinen", "Pferd", "pfiffikus", "plueschlappen", "polieren",
    /* 251 */ "rausjetztmiteuch", "ruelps1", "sabberrinne", "sack", "schiss", "schlucken", "solingen1", "tempotempo", "tutut", "verarschen",
    /* 261 */ "wasdumichkannst", "wasistmitdenkohlen", "wetterchen", "willstduaufsmaul",
};
// clang-format on

} // namespace klonkel
