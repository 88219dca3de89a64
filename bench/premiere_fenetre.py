#!/usr/bin/env python3
"""Time from the viewer's start to its main window, and to the picture asked
for, on folders of every size, with sub-folders (/S): a folder of one picture,
100,000 pictures in 500 sub-folders, and a tree of links (22 folders each
holding two links to the next, links to the start, to its parents and to
"/"). Each start is measured in turn with the others, and the times are
compared with those of the folder of one picture, in the same run.

Usage (in an X server, as bench/run-all does it under Xvfb):
    premiere_fenetre.py VIEWER PICTURE.jpg SCRATCH-FOLDER
The windows are looked at through libX11 every few milliseconds, on one
connection held for the whole run (so that the server never resets between
two starts).
"""
import ctypes
import ctypes.util
import os
import shutil
import statistics
import subprocess
import sys
import time

TITRE = "Visualisateur de diapos"
TOURS = 5


def arbre_une(racine, image):
    os.makedirs(racine, exist_ok=True)
    shutil.copy(image, os.path.join(racine, "depart.jpg"))


def arbre_cent_mille(racine, image):
    """500 sub-folders of 200 pictures; only the one shown first holds a real
    picture, the others are empty files that the scan lists all the same."""
    if os.path.exists(os.path.join(racine, "fait")):
        return
    for d in range(500):
        dossier = os.path.join(racine, "album %03d" % d)
        os.makedirs(dossier, exist_ok=True)
        for f in range(200):
            open(os.path.join(dossier, "IMG_%06d.jpg" % (d * 1000 + f)), "w").close()
    shutil.copy(image, os.path.join(racine, "depart.jpg"))
    open(os.path.join(racine, "fait"), "w").close()


def arbre_liens(racine, image):
    if os.path.exists(os.path.join(racine, "fait")):
        return
    depart = os.path.join(racine, "depart")
    os.makedirs(depart, exist_ok=True)
    shutil.copy(image, os.path.join(depart, "depart.jpg"))
    for i in range(1, 22):
        dossier = os.path.join(racine, "f%02d" % i)
        os.makedirs(dossier, exist_ok=True)
        shutil.copy(image, os.path.join(dossier, "p.jpg"))
    for i in range(21):
        de = depart if i == 0 else os.path.join(racine, "f%02d" % i)
        vers = os.path.join(racine, "f%02d" % (i + 1))
        os.symlink(vers, os.path.join(de, "a"))
        os.symlink(vers, os.path.join(de, "b"))
    os.symlink(depart, os.path.join(racine, "f21", "retour"))
    os.symlink(racine, os.path.join(depart, "parent"))
    os.symlink("/", os.path.join(depart, "racine"))
    open(os.path.join(racine, "fait"), "w").close()


class AttributsFenetre(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                ("depth", ctypes.c_int), ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong),
                ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("screen", ctypes.c_void_p)]


IS_VIEWABLE = 2


class Ecran:
    def __init__(self):
        x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                 ctypes.POINTER(ctypes.c_char_p)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                           ctypes.POINTER(AttributsFenetre)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        # A window that goes away between two calls is not an error here.
        self.gestionnaire = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(
            lambda ecran, erreur: 0)
        x.XSetErrorHandler(self.gestionnaire)
        self.x = x
        self.ecran = x.XOpenDisplay(None)
        if not self.ecran:
            sys.exit("no X server")
        self.racine = x.XDefaultRootWindow(self.ecran)

    def visibles(self):
        """The names of the mapped top-level windows."""
        x = self.x
        racine, parent = ctypes.c_ulong(), ctypes.c_ulong()
        enfants = ctypes.POINTER(ctypes.c_ulong)()
        nombre = ctypes.c_uint()
        x.XSync(self.ecran, 0)
        if not x.XQueryTree(self.ecran, self.racine, ctypes.byref(racine), ctypes.byref(parent),
                            ctypes.byref(enfants), ctypes.byref(nombre)):
            return set()
        noms = set()
        for i in range(nombre.value):
            attributs = AttributsFenetre()
            nom = ctypes.c_char_p()
            if (x.XGetWindowAttributes(self.ecran, enfants[i], ctypes.byref(attributs))
                    and attributs.map_state == IS_VIEWABLE
                    and x.XFetchName(self.ecran, enfants[i], ctypes.byref(nom)) and nom.value):
                noms.add(nom.value.decode("utf-8", "replace"))
        if enfants:
            x.XFree(enfants)
        return noms


def mesure(ecran, viewer, image, env):
    """Seconds to the main window, then to the window titled with the picture."""
    debut = time.monotonic()
    processus = subprocess.Popen([viewer, image, "/S"], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
    fenetre = None
    try:
        while time.monotonic() - debut < 120:
            visibles = ecran.visibles()
            if fenetre is None and (TITRE in visibles or image in visibles):
                fenetre = time.monotonic() - debut
            if image in visibles:
                return fenetre, time.monotonic() - debut
            if processus.poll() is not None:
                sys.exit("the viewer stopped before showing " + image)
            time.sleep(0.002)
        sys.exit("no window shows " + image + " after 120 s")
    finally:
        processus.terminate()
        processus.wait()


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    viewer, image, scratch = sys.argv[1:]
    racine = os.path.join(os.path.abspath(scratch), "premiere-fenetre")
    cas = [
        ("one picture", os.path.join(racine, "une"), arbre_une, "depart.jpg"),
        ("100000 pictures in sub-folders", os.path.join(racine, "cent-mille"),
         arbre_cent_mille, "depart.jpg"),
        ("tree of links", os.path.join(racine, "liens"), arbre_liens, "depart/depart.jpg"),
    ]
    for _, dossier, fabrique, _ in cas:
        fabrique(dossier, image)
    env = dict(os.environ, XDG_CONFIG_HOME=racine)
    ecran = Ecran()

    temps = {nom: [] for nom, _, _, _ in cas}
    for _ in range(TOURS):
        for nom, dossier, _, depart in cas:
            temps[nom].append(mesure(ecran, viewer, os.path.join(dossier, depart), env))
    base_fenetre = statistics.median(f for f, _ in temps[cas[0][0]])
    base_image = statistics.median(i for _, i in temps[cas[0][0]])
    for nom, _, _, _ in cas:
        fenetre = statistics.median(f for f, _ in temps[nom])
        image = statistics.median(i for _, i in temps[nom])
        print("  %-34s window %7.0f ms (x%.2f)   picture %7.0f ms (x%.2f)"
              % (nom, fenetre * 1000, fenetre / base_fenetre, image * 1000, image / base_image))


main()
