#!/usr/bin/env python3
# Writes the standard package's message document (data/other/standard_msg.xml):
# one "alertcode" element per Printer-MIB alert code, refined by alert group
# where the group changes what the alert means. Run after editing the texts
# below; the document is kept in the tree.
import os
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "data", "other", "standard_msg.xml")

# Image keys: one picture per kind of alert (app/art/make_alert_art.py).
JAM, DOOR, SUPPLY_LOW, SUPPLY_EMPTY = "alert_jam", "alert_door_open", "alert_supply_low", "alert_supply_empty"
PAPER_LOW, PAPER_EMPTY, OUTPUT_FULL = "alert_paper_low", "alert_paper_empty", "alert_output_full"
SERVICE, POWER_SAVE, OFFLINE = "alert_service", "alert_power_save", "alert_offline"
WARNING, ERROR, INFO = "alert_warning", "alert_error", "alert_info"

NOTHING = "No action is needed."
PANEL = "Look at the printer's display panel for details."
RESTART = "Switch the printer off, wait ten seconds and switch it on again. If the message comes back, call your service provider."
CALL = "Switch the printer off and call your service provider."

# Alert groups whose meaning refines a generic code.
INPUT, OUTPUT, COVER, SUPPLIES, COLORANT, MEDIA_PATH, FIN_SUPPLY = 8, 9, 6, 11, 12, 13, 31

# Generic codes 1-38: (code, status, hint, image, {group: (status, hint, image)}).
GENERIC = [
    (1, "Printer message", PANEL, WARNING, {}),
    (2, "Unknown condition", PANEL, WARNING, {}),
    (3, "A cover is open", "Close all covers and doors of the printer.", DOOR, {}),
    (4, "Cover closed", NOTHING, INFO, {}),
    (5, "Interlock open", "Close all covers, doors and trays firmly until they click into place.", DOOR, {}),
    (6, "Interlock closed", NOTHING, INFO, {}),
    (7, "Configuration changed", "No action is needed. If you did not expect the change, tell your administrator.", INFO, {}),
    (8, "Paper jam", "Open the covers named on the printer's panel, gently pull out the jammed paper, then close the covers.", JAM, {
        INPUT: ("Paper jam at a paper tray", "Pull out the paper tray, remove any jammed or creased sheets, then push the tray back in.", JAM),
        OUTPUT: ("Paper jam at the output tray", "Gently pull the jammed paper out of the output slot.", JAM),
        MEDIA_PATH: ("Paper jam inside the printer", "Open the front cover, gently pull out the jammed paper in the direction it travels, then close the cover.", JAM),
    }),
    (9, "A part is missing", "Check that every tray, cartridge and part is in place.", ERROR, {
        INPUT: ("Paper tray missing", "Push the paper tray fully into the printer.", PAPER_EMPTY),
        OUTPUT: ("Output tray missing", "Attach the output tray.", OUTPUT_FULL),
        SUPPLIES: ("Cartridge missing", "Install the toner or ink cartridge named on the printer's panel.", SUPPLY_EMPTY),
        COLORANT: ("Cartridge missing", "Install the toner or ink cartridge named on the printer's panel.", SUPPLY_EMPTY),
    }),
    (10, "Part near the end of its life", "Order a replacement part soon; you can keep printing for now.", SERVICE, {
        SUPPLIES: ("Supply near the end of its life", "Order a replacement soon; you can keep printing for now.", SUPPLY_LOW),
    }),
    (11, "Part at the end of its life", "Have the part replaced. Call your service provider if you are not sure which part it is.", SERVICE, {
        SUPPLIES: ("Supply at the end of its life", "Replace the supply named on the printer's panel.", SUPPLY_EMPTY),
    }),
    (12, "Supply almost empty", "Refill or replace the supply soon.", WARNING, {
        SUPPLIES: ("Toner or ink low", "Printing goes on for now. Have a new cartridge ready and replace it when the printer asks.", SUPPLY_LOW),
        COLORANT: ("Toner or ink low", "Printing goes on for now. Have a new cartridge ready and replace it when the printer asks.", SUPPLY_LOW),
        INPUT: ("Paper low", "Add paper to the tray soon.", PAPER_LOW),
        FIN_SUPPLY: ("Finisher supply low", "Have new staples or the other finisher supply ready.", SUPPLY_LOW),
    }),
    (13, "Supply empty", "Refill or replace the supply.", ERROR, {
        SUPPLIES: ("Toner or ink empty", "Replace the cartridge named on the printer's panel; the printer cannot print until you do.", SUPPLY_EMPTY),
        COLORANT: ("Toner or ink empty", "Replace the cartridge named on the printer's panel; the printer cannot print until you do.", SUPPLY_EMPTY),
        INPUT: ("Paper tray empty", "Load paper into the tray.", PAPER_EMPTY),
        FIN_SUPPLY: ("Finisher supply empty", "Refill the staples or the other finisher supply named on the printer's panel.", SUPPLY_EMPTY),
    }),
    (14, "Almost full", "Empty it soon.", WARNING, {
        OUTPUT: ("Output tray almost full", "Take the printed pages out of the output tray soon.", OUTPUT_FULL),
        SUPPLIES: ("Waste container almost full", "Order a new waste toner container.", SUPPLY_LOW),
    }),
    (15, "Full", "Empty it to continue.", ERROR, {
        OUTPUT: ("Output tray full", "Take the printed pages out of the output tray.", OUTPUT_FULL),
        SUPPLIES: ("Waste container full", "Replace the waste toner container.", SUPPLY_EMPTY),
    }),
    (16, "Near limit", "Maintenance will be needed soon. " + PANEL, WARNING, {}),
    (17, "At limit", "Maintenance is needed. " + PANEL, SERVICE, {}),
    (18, "Part opened", "Close the part of the printer that is open.", DOOR, {}),
    (19, "Part closed", NOTHING, INFO, {}),
    (20, "Part turned on", NOTHING, INFO, {}),
    (21, "Part turned off", "Switch the part back on if you need it.", OFFLINE, {}),
    (22, "Offline", "Press the online button on the printer, or look at its panel for a message.", OFFLINE, {}),
    (23, "Power save", "No action is needed. The printer wakes up when a job arrives or a button is pressed.", POWER_SAVE, {}),
    (24, "Warming up", "Wait a moment; the printer will be ready shortly.", INFO, {}),
    (25, "Part added", NOTHING, INFO, {}),
    (26, "Part removed", "Put the part back if it was removed by mistake.", WARNING, {}),
    (27, "Resource added", NOTHING, INFO, {}),
    (28, "Resource removed", "Put the resource back if it was removed by mistake.", WARNING, {}),
    (29, "Recoverable error", RESTART, ERROR, {}),
    (30, "Printer failure", CALL, SERVICE, {}),
    (31, "Storage error", RESTART, ERROR, {}),
    (32, "Storage failure", CALL, SERVICE, {}),
    (33, "Motor failure", CALL, SERVICE, {}),
    (34, "Out of memory", "Print the job in smaller parts or at a lower resolution.", ERROR, {}),
    (35, "Too cold", "Wait for the printer to warm up, and keep the room at normal office temperature.", WARNING, {}),
    (36, "Too hot", "Let the printer cool down and keep its air vents free.", ERROR, {}),
    (37, "Timing failure", CALL, SERVICE, {}),
    (38, "Temperature sensor failure", CALL, SERVICE, {}),
]

# Codes of one group each (501-1801): (code, status, hint, image).
SPECIFIC = [
    (501, "Door open", "Close the printer's doors.", DOOR),
    (502, "Door closed", NOTHING, INFO),
    (503, "Switched on", NOTHING, INFO),
    (504, "Switching off", "Wait until the printer is off before you unplug it.", OFFLINE),
    (505, "Reset from the network", NOTHING, INFO),
    (506, "Reset at the printer", NOTHING, INFO),
    (507, "Ready to print", NOTHING, INFO),
    (801, "Paper tray missing", "Push the paper tray fully into the printer.", PAPER_EMPTY),
    (802, "Paper size changed", "No action is needed if you loaded the new size on purpose.", INFO),
    (803, "Paper weight changed", "No action is needed if you loaded the new paper on purpose.", INFO),
    (804, "Paper type changed", "No action is needed if you loaded the new paper on purpose.", INFO),
    (805, "Paper colour changed", "No action is needed if you loaded the new paper on purpose.", INFO),
    (806, "Form changed", "No action is needed if you loaded the new forms on purpose.", INFO),
    (807, "Paper low", "Add paper to the tray soon.", PAPER_LOW),
    (808, "Paper tray empty", "Load paper into the tray.", PAPER_EMPTY),
    (809, "Different paper needed", "Load the paper size and type named on the printer's panel.", PAPER_EMPTY),
    (810, "Manual feed", "Place a sheet in the manual feed slot, or press the button the printer's panel names.", PAPER_EMPTY),
    (811, "Paper tray not in position", "Pull the paper tray out and push it back in firmly.", ERROR),
    (812, "Paper tray lift failure", "Pull the paper tray out, check that the paper lies flat, and push it back in. If the message comes back, call your service provider.", SERVICE),
    (813, "Tray cannot feed this paper size", "Load paper of a size the tray takes, or choose another tray for the job.", PAPER_EMPTY),
    (901, "Output tray missing", "Attach the output tray.", OUTPUT_FULL),
    (902, "Output tray almost full", "Take the printed pages out of the output tray soon.", OUTPUT_FULL),
    (903, "Output tray full", "Take the printed pages out of the output tray.", OUTPUT_FULL),
    (904, "Output bin cannot be selected", "Choose another output bin for the job, or check the bin named on the printer's panel.", ERROR),
    (1001, "Fuser too cold", RESTART, ERROR),
    (1002, "Fuser too hot", "Switch the printer off and let it cool down for half an hour. If the message comes back, call your service provider.", ERROR),
    (1003, "Fuser failure", CALL, SERVICE),
    (1004, "Fuser sensor failure", CALL, SERVICE),
    (1005, "Adjusting print quality", "Wait a moment; the printer goes on by itself.", INFO),
    (1101, "Toner empty", "Replace the toner cartridge named on the printer's panel; the printer cannot print until you do.", SUPPLY_EMPTY),
    (1102, "Ink empty", "Replace the ink cartridge named on the printer's panel; the printer cannot print until you do.", SUPPLY_EMPTY),
    (1103, "Ribbon empty", "Replace the print ribbon.", SUPPLY_EMPTY),
    (1104, "Toner low", "Printing goes on for now. Have a new toner cartridge ready and replace it when the printer asks.", SUPPLY_LOW),
    (1105, "Ink low", "Printing goes on for now. Have a new ink cartridge ready and replace it when the printer asks.", SUPPLY_LOW),
    (1106, "Ribbon low", "Have a new print ribbon ready.", SUPPLY_LOW),
    (1107, "Waste toner container almost full", "Order a new waste toner container.", SUPPLY_LOW),
    (1108, "Waste ink container almost full", "Order a new waste ink container.", SUPPLY_LOW),
    (1109, "Waste toner container full", "Replace the waste toner container.", SUPPLY_EMPTY),
    (1110, "Waste ink container full", "Replace the waste ink container.", SUPPLY_EMPTY),
    (1111, "Imaging drum near the end of its life", "Order a new imaging drum; you can keep printing for now.", SUPPLY_LOW),
    (1112, "Imaging drum at the end of its life", "Replace the imaging drum.", SUPPLY_EMPTY),
    (1113, "Developer low", "Order new developer; you can keep printing for now.", SUPPLY_LOW),
    (1114, "Developer empty", "Replace the developer unit.", SUPPLY_EMPTY),
    (1115, "Toner cartridge missing", "Install the toner cartridge named on the printer's panel.", SUPPLY_EMPTY),
    (1301, "Duplex unit missing", "Attach the duplex unit, or print on one side only.", ERROR),
    (1302, "Paper path tray almost full", "Take the pages out of the tray named on the printer's panel soon.", OUTPUT_FULL),
    (1303, "Paper path tray full", "Take the pages out of the tray named on the printer's panel.", OUTPUT_FULL),
    (1304, "Cannot print both sides of this paper", "Print on one side only, or load paper that can be printed on both sides.", WARNING),
    (1501, "Printer memory added", NOTHING, INFO),
    (1502, "Printer memory reduced", NOTHING, INFO),
    (1503, "Font cartridge added", NOTHING, INFO),
    (1504, "Font cartridge removed", "Put the cartridge back if it was removed by mistake.", INFO),
    (1505, "Font or form added", NOTHING, INFO),
    (1506, "Font or form removed", NOTHING, INFO),
    (1507, "Font or form not available", "Choose another font or form for the job, or ask your administrator to install it.", ERROR),
    (1509, "Page too complex", "Simplify the page, or print it at a lower resolution.", ERROR),
    (1801, "Earlier alert cleared", NOTHING, INFO),
]

# Finisher codes: 30000 + device * 100 + generic code.
FINISHERS = [
    (2, "Stapler"), (3, "Stitcher"), (4, "Folder"), (5, "Binder"), (6, "Trimmer"), (7, "Die cutter"),
    (8, "Puncher"), (9, "Perforator"), (10, "Slitter"), (11, "Separation cutter"), (12, "Imprinter"),
    (13, "Wrapper"), (14, "Bander"), (15, "Envelope maker"), (16, "Stacker"), (17, "Sheet rotator"),
    (18, "Inserter"),
]
# Per generic code: (status after the device name, hint with {d} for the device, image).
FINISHER_EVENTS = {
    3: ("cover open", "Close the cover of the {d}.", DOOR),
    4: ("cover closed", NOTHING, INFO),
    5: ("interlock open", "Close the covers of the {d} firmly until they click into place.", DOOR),
    6: ("interlock closed", NOTHING, INFO),
    7: ("configuration changed", NOTHING, INFO),
    8: ("jam", "Open the cover of the {d} and gently pull out the jammed paper.", JAM),
    9: ("missing", "Attach the {d}, or choose a job setting that does not need it.", ERROR),
    10: ("near the end of its life", "Order a replacement part for the {d} soon.", SERVICE),
    11: ("at the end of its life", "Have the worn part of the {d} replaced.", SERVICE),
    12: ("supply almost empty", "Have new staples or the other supply of the {d} ready.", SUPPLY_LOW),
    13: ("supply empty", "Refill the staples or the other supply of the {d}.", SUPPLY_EMPTY),
    14: ("almost full", "Empty the {d} soon.", OUTPUT_FULL),
    15: ("full", "Empty the {d}.", OUTPUT_FULL),
    16: ("near limit", "The {d} will need attention soon. " + PANEL, WARNING),
    17: ("at limit", "The {d} needs attention. " + PANEL, WARNING),
    18: ("opened", "Close the {d}.", DOOR),
    19: ("closed", NOTHING, INFO),
    20: ("turned on", NOTHING, INFO),
    21: ("turned off", "Switch the {d} back on if you need it.", OFFLINE),
    22: ("offline", "Look at the printer's panel to bring the {d} back online.", OFFLINE),
    23: ("power save", NOTHING, POWER_SAVE),
    24: ("warming up", "Wait a moment; the {d} will be ready shortly.", INFO),
    25: ("added", NOTHING, INFO),
    26: ("removed", "Attach the {d} again if it was removed by mistake.", WARNING),
    27: ("resource added", NOTHING, INFO),
    28: ("resource removed", "Put the resource of the {d} back if it was removed by mistake.", WARNING),
    29: ("recoverable error", RESTART, ERROR),
    30: ("failure", CALL, SERVICE),
    31: ("storage error", RESTART, ERROR),
    32: ("storage failure", CALL, SERVICE),
    33: ("motor failure", CALL, SERVICE),
    34: ("out of memory", "Print the job in smaller parts.", ERROR),
    35: ("too cold", "Wait for the {d} to warm up.", WARNING),
    36: ("too hot", "Let the {d} cool down and keep its air vents free.", ERROR),
    37: ("timing failure", CALL, SERVICE),
    38: ("temperature sensor failure", CALL, SERVICE),
}


def element(value, status, hint, image, group=None):
    attributes = 'value="%s"' % value + ("" if group is None else ' group="%d"' % group)
    return ("  <alertcode %s><stat>%s</stat><rcvr>%s</rcvr><imageKey>%s</imageKey></alertcode>\n"
            % (attributes, escape(status), escape(hint), image))


def main():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>\n',
             "<!-- Messages of the standard package: what each Printer-MIB alert means and what to do about it.\n"
             "     Written by scripts/make_alert_messages.py; the first alertcode element that matches wins,\n"
             "     so the group-specific ones stand before the general one of the same code. -->\n",
             "<messages>\n",
             element("#", "Status not available",
                     "The printer did not answer. Check that it is switched on and connected to the network.", OFFLINE)]
    for code, status, hint, image, groups in GENERIC:
        for group, (g_status, g_hint, g_image) in groups.items():
            lines.append(element(code, g_status, g_hint, g_image, group))
        lines.append(element(code, status, hint, image))
    for code, status, hint, image in SPECIFIC:
        lines.append(element(code, status, hint, image))
    for device, name in FINISHERS:
        for event, (status, hint, image) in sorted(FINISHER_EVENTS.items()):
            lines.append(element(30000 + device * 100 + event, "%s %s" % (name, status),
                                 hint.format(d=name.lower()), image))
    lines.append("</messages>\n")
    with open(OUT, "w", encoding="utf-8") as out:
        out.writelines(lines)


if __name__ == "__main__":
    main()
