"""What each window must show through the accessibility tree: its caption as
its name, and the texts of its buttons and labels, as screen readers and GUI
automation read them. check(window) fails on the first difference."""

from desktop import Failure, controls, text_of, texts

HEADER = " " * 8 + "Indice" + " " * 4 + "Flottant" + " " * 7 + "Entier" + " " * 11 + "Configuration"

# caption -> (buttons, labels, number of combo boxes)
WINDOWS = {
    "CPU Tarvo 32": (
        ["Tester", "Comparer", "Consulter", "Quitter"],
        ["CPU Tarvo 32 V1.0",
         "Vous devez d'abord soumettre votre  machine aux différents calculs qui constituent "
         "le Duduzovur.",
         "Pour ensuite comparer les résultats obtenus avec toutes les configurations déjà testées.",
         "Ou vous pouvez simplement consulter les données déjà acquises.",
         "Vous pouvez également nous quitter, mais êtes vous réellement sûr de le vouloir ?"],
        0),
    "Votre machine": (
        ["Nouveau", "Nouvelle", "Nouvelle", "Nouvelle", "OK"],
        ["Processeur", "Fréq. d'origine", "Fréq. d'overclock", "Carte mère"],
        4),
    "Données stockées": (
        ["Détails"],
        ["Voici TOUS les résultats obtenus depuis la création de cette application. Pour plus "
         "de détails sur la correspondance des colonnes, cliquez sur \"Détails\".",
         HEADER],
        0),
    "Comparaison": (
        ["Détails"],
        ["Voici les résultats obtenus par votre machine et TOUS ceux stockés depuis la création "
         "de cette application. Pour plus de détails sur la correspondance des colonnes, "
         "cliquez sur \"Détails\".",
         HEADER],
        0),
    "Détails du tableau": (
        ["OK"],
        ["La 1ère colonne correspond à l'indice général obtenu par la machine. Il est calculé en "
         "fonction des 2ème et 3ème colonnes, mais voyons d'abord ces 2 colonnes.",
         "La 2ème colonne correspond au millions de calculs effectués en 1 seconde (MCPS) sur des "
         "variables flottantes (calculs 3D en majorité).",
         "La 3ème colonne concerne les opérations sur les entiers.",
         "L'indice est obtenu comme suit : (3 x résultat flottant + 1 x résultat entier) / 4. "
         "Comme aujourd'hui la 3D est présente partout, je pense que la répartition est "
         "équitable.",
         "Quand à la 4ème colonne, il s'agit de la configuration testée bien évidemment ..."],
        0),
}


def check(win, combo_texts=None):
    """Checks one shown window against its expected texts. combo_texts, when
    given, are the texts its combo boxes must show, in order."""
    caption = win.name
    if caption not in WINDOWS:
        raise Failure(f"a window named {caption!r}, which is no window of the program")
    buttons, labels, combos = WINDOWS[caption]

    shown_buttons = texts(win, "push button")
    if sorted(shown_buttons) != sorted(buttons):
        raise Failure(f"{caption!r}: buttons {shown_buttons}, expected {buttons}")

    shown_labels = texts(win, "label")
    for label in labels:
        if label not in shown_labels:
            raise Failure(f"{caption!r}: no label reads {label!r}; labels are {shown_labels}")

    boxes = controls(win, "combo box")
    if len(boxes) != combos:
        raise Failure(f"{caption!r}: {len(boxes)} combo boxes, expected {combos}")
    if combo_texts is not None:
        shown = [combo_text(box) for box in boxes]
        if shown != list(combo_texts):
            raise Failure(f"{caption!r}: combo boxes show {shown}, expected {list(combo_texts)}")

    for item_list in controls(win, "list"):
        for item in controls(item_list, "list item"):
            if item.name is None:
                raise Failure(f"{caption!r}: a list item without a text")


def combo_text(box):
    """The edit text of an editable combo box, as its text child exposes it."""
    for child in controls(box, "text"):
        return text_of(child)
    return text_of(box)
