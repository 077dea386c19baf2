// Counts of the handles and shell lists the launcher holds right now, kept by its own
// code because the platform's GDI counters are not available everywhere (a soak test
// reads them after many menus to prove nothing leaks).
#pragma once

// idLists changes on the launcher's build thread too: it moves by Interlocked calls only.
struct LiveCounts {
    long icons;
    long fonts;
    long brushes;
    long idLists;
    long submenus;  // folder submenus, filled or not
};

extern LiveCounts g_live;
