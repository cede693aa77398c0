#pragma once

class QWidget;

// GNOME on Wayland lets no program hold keys of its own (GNOME 43 has no shortcuts portal): the
// first run there asks, once, whether to add the four hot keys to GNOME's custom key bindings,
// each running the command line. Asked again only if the user's answer could not be kept.
void offerGnomeKeyBindings(QWidget *parent);
