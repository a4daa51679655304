// The word tables of the standard MIBs' enumerations, the field labels and the unit formats.
#include "words.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace netrov::core {

namespace {

using E = Enumeration;

constexpr EnumName kDeviceStatus[] = {
    {1, "unknown", "unknown"}, {2, "running", "running"}, {3, "warning", "warning"},
    {4, "testing", "testing"}, {5, "down", "down"},
};

constexpr EnumName kPrinterStatus[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "idle", "idle"},
    {4, "printing", "printing"}, {5, "warmup", "warming up"},
};

constexpr EnumName kErrorStateBits[] = {
    {0, "lowPaper", "paper low"},
    {1, "noPaper", "out of paper"},
    {2, "lowToner", "toner low"},
    {3, "noToner", "out of toner"},
    {4, "doorOpen", "door open"},
    {5, "jammed", "paper jam"},
    {6, "offline", "offline"},
    {7, "serviceRequested", "service requested"},
    {8, "inputTrayMissing", "input tray missing"},
    {9, "outputTrayMissing", "output tray missing"},
    {10, "markerSupplyMissing", "supply missing"},
    {11, "outputNearFull", "output bin almost full"},
    {12, "outputFull", "output bin full"},
    {13, "inputTrayEmpty", "input tray empty"},
    {14, "overduePreventMaint", "preventive maintenance overdue"},
};

constexpr EnumName kAlertCodes[] = {
    {1, "other", "other"},
    {2, "unknown", "unknown"},
    {3, "coverOpen", "cover open"},
    {4, "coverClosed", "cover closed"},
    {5, "interlockOpen", "interlock open"},
    {6, "interlockClosed", "interlock closed"},
    {7, "configurationChange", "configuration changed"},
    {8, "jam", "jam"},
    {9, "subunitMissing", "part missing"},
    {10, "subunitLifeAlmostOver", "near end of life"},
    {11, "subunitLifeOver", "end of life"},
    {12, "subunitAlmostEmpty", "almost empty"},
    {13, "subunitEmpty", "empty"},
    {14, "subunitAlmostFull", "almost full"},
    {15, "subunitFull", "full"},
    {16, "subunitNearLimit", "near limit"},
    {17, "subunitAtLimit", "at limit"},
    {18, "subunitOpened", "opened"},
    {19, "subunitClosed", "closed"},
    {20, "subunitTurnedOn", "turned on"},
    {21, "subunitTurnedOff", "turned off"},
    {22, "subunitOffline", "offline"},
    {23, "subunitPowerSaver", "power saver"},
    {24, "subunitWarmingUp", "warming up"},
    {25, "subunitAdded", "added"},
    {26, "subunitRemoved", "removed"},
    {27, "subunitResourceAdded", "resource added"},
    {28, "subunitResourceRemoved", "resource removed"},
    {29, "subunitRecoverableFailure", "recoverable failure"},
    {30, "subunitUnrecoverableFailure", "unrecoverable failure"},
    {31, "subunitRecoverableStorageError", "recoverable storage error"},
    {32, "subunitUnrecoverableStorageError", "unrecoverable storage error"},
    {33, "subunitMotorFailure", "motor failure"},
    {34, "subunitMemoryExhausted", "memory exhausted"},
    {35, "subunitUnderTemperature", "under temperature"},
    {36, "subunitOverTemperature", "over temperature"},
    {37, "subunitTimingFailure", "timing failure"},
    {38, "subunitThermistorFailure", "thermistor failure"},
    {501, "doorOpen", "door open"},
    {502, "doorClosed", "door closed"},
    {503, "powerUp", "power up"},
    {504, "powerDown", "power down"},
    {505, "printerNMSReset", "reset by management station"},
    {506, "printerManualReset", "reset manually"},
    {507, "printerReadyToPrint", "ready to print"},
    {801, "inputMediaTrayMissing", "input tray missing"},
    {802, "inputMediaSizeChange", "input media size changed"},
    {803, "inputMediaWeightChange", "input media weight changed"},
    {804, "inputMediaTypeChange", "input media type changed"},
    {805, "inputMediaColorChange", "input media colour changed"},
    {806, "inputMediaFormPartsChange", "input media form parts changed"},
    {807, "inputMediaSupplyLow", "paper low"},
    {808, "inputMediaSupplyEmpty", "paper empty"},
    {809, "inputMediaChangeRequest", "different media needed in tray"},
    {810, "inputManualInputRequest", "manual feed required"},
    {811, "inputTrayPositionFailure", "tray position failure"},
    {812, "inputTrayElevationFailure", "tray lift failure"},
    {813, "inputCannotFeedSizeSelected", "cannot feed selected size"},
    {901, "outputMediaTrayMissing", "output tray missing"},
    {902, "outputMediaTrayAlmostFull", "output tray almost full"},
    {903, "outputMediaTrayFull", "output tray full"},
    {904, "outputMailboxSelectFailure", "mailbox select failure"},
    {1001, "markerFuserUnderTemperature", "fuser under temperature"},
    {1002, "markerFuserOverTemperature", "fuser over temperature"},
    {1003, "markerFuserTimingFailure", "fuser timing failure"},
    {1004, "markerFuserThermistorFailure", "fuser thermistor failure"},
    {1005, "markerAdjustingPrintQuality", "adjusting print quality"},
    {1101, "markerTonerEmpty", "toner empty"},
    {1102, "markerInkEmpty", "ink empty"},
    {1103, "markerPrintRibbonEmpty", "ribbon empty"},
    {1104, "markerTonerAlmostEmpty", "toner low"},
    {1105, "markerInkAlmostEmpty", "ink low"},
    {1106, "markerPrintRibbonAlmostEmpty", "ribbon low"},
    {1107, "markerWasteTonerReceptacleAlmostFull", "waste toner container almost full"},
    {1108, "markerWasteInkReceptacleAlmostFull", "waste ink container almost full"},
    {1109, "markerWasteTonerReceptacleFull", "waste toner container full"},
    {1110, "markerWasteInkReceptacleFull", "waste ink container full"},
    {1111, "markerOpcLifeAlmostOver", "photoconductor near end of life"},
    {1112, "markerOpcLifeOver", "photoconductor end of life"},
    {1113, "markerDeveloperAlmostEmpty", "developer low"},
    {1114, "markerDeveloperEmpty", "developer empty"},
    {1115, "markerTonerCartridgeMissing", "toner cartridge missing"},
    {1301, "mediaPathMediaTrayMissing", "media path tray missing"},
    {1302, "mediaPathMediaTrayAlmostFull", "media path tray almost full"},
    {1303, "mediaPathMediaTrayFull", "media path tray full"},
    {1304, "mediaPathCannotDuplexMediaSelected", "cannot duplex selected media"},
    {1501, "interpreterMemoryIncrease", "interpreter memory increased"},
    {1502, "interpreterMemoryDecrease", "interpreter memory decreased"},
    {1503, "interpreterCartridgeAdded", "interpreter cartridge added"},
    {1504, "interpreterCartridgeDeleted", "interpreter cartridge removed"},
    {1505, "interpreterResourceAdded", "interpreter resource added"},
    {1506, "interpreterResourceDeleted", "interpreter resource removed"},
    {1507, "interpreterResourceUnavailable", "interpreter resource unavailable"},
    {1509, "interpreterComplexPageEncountered", "page too complex"},
    {1801, "alertRemovalOfBinaryChangeEntry", "earlier alert cleared"},
};

// The finisher alert codes are 30000 + 100 x device + a generic code 3..38;
// the device's label prefix and words, for devices 2..18.
struct FinisherDevice {
    const char* label;
    const char* word;
};
constexpr FinisherDevice kFinisherCodeDevices[] = {
    {"stapler", "stapler"}, {"stitcher", "stitcher"}, {"folder", "folder"}, {"binder", "binder"},
    {"trimmer", "trimmer"}, {"dieCutter", "die cutter"}, {"puncher", "puncher"}, {"perforater", "perforator"},
    {"slitter", "slitter"}, {"separationCutter", "separation cutter"}, {"imprinter", "imprinter"},
    {"wrapper", "wrapper"}, {"bander", "bander"}, {"makeEnvelope", "envelope maker"}, {"stacker", "stacker"},
    {"sheetRotator", "sheet rotator"}, {"inserter", "inserter"},
};
constexpr int32_t kFinisherCodeBase = 30200;

constexpr EnumName kAlertGroups[] = {
    {1, "other", "other"},
    {2, "unknown", "unknown"},
    {3, "hostResourcesMIBStorageTable", "host storage"},
    {4, "hostResourcesMIBDeviceTable", "host device"},
    {5, "generalPrinter", "general printer"},
    {6, "cover", "cover"},
    {7, "localization", "localization"},
    {8, "input", "input tray"},
    {9, "output", "output bin"},
    {10, "marker", "marker"},
    {11, "markerSupplies", "marker supplies"},
    {12, "markerColorant", "colorant"},
    {13, "mediaPath", "media path"},
    {14, "channel", "channel"},
    {15, "interpreter", "interpreter"},
    {16, "consoleDisplayBuffer", "console display"},
    {17, "consoleLights", "console lights"},
    {18, "alert", "alert table"},
    {30, "finDevice", "finisher device"},
    {31, "finSupply", "finisher supply"},
    {32, "finSupplyMediaInput", "finisher supply media input"},
    {33, "finAttribute", "finisher attribute"},
};

constexpr EnumName kAlertSeverities[] = {
    {1, "other", "other"}, {3, "critical", "critical"}, {4, "warning", "warning"},
    {5, "warningBinaryChangeEvent", "warning (binary state)"},
};

constexpr EnumName kTrainingLevels[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "untrained", "untrained user"},
    {4, "trained", "trained user"}, {5, "fieldService", "field service"}, {6, "management", "management"},
    {7, "noInterventionRequired", "no intervention required"},
};

constexpr EnumName kSupplyTypes[] = {
    {1, "other", "other"},
    {2, "unknown", "unknown"},
    {3, "toner", "toner"},
    {4, "wasteToner", "waste toner"},
    {5, "ink", "ink"},
    {6, "inkCartridge", "ink cartridge"},
    {7, "inkRibbon", "ink ribbon"},
    {8, "wasteInk", "waste ink"},
    {9, "opc", "photoconductor (drum)"},
    {10, "developer", "developer"},
    {11, "fuserOil", "fuser oil"},
    {12, "solidWax", "solid wax"},
    {13, "ribbonWax", "ribbon wax"},
    {14, "wasteWax", "waste wax"},
    {15, "fuser", "fuser"},
    {16, "coronaWire", "corona wire"},
    {17, "fuserOilWick", "fuser oil wick"},
    {18, "cleanerUnit", "cleaner unit"},
    {19, "fuserCleaningPad", "fuser cleaning pad"},
    {20, "transferUnit", "transfer unit"},
    {21, "tonerCartridge", "toner cartridge"},
    {22, "fuserOiler", "fuser oiler"},
    {23, "water", "water"},
    {24, "wasteWater", "waste water"},
    {25, "glueWaterAdditive", "glue/water additive"},
    {26, "wastePaper", "waste paper"},
    {27, "bindingSupply", "binding supply"},
    {28, "bandingSupply", "banding supply"},
    {29, "stitchingWire", "stitching wire"},
    {30, "shrinkWrap", "shrink wrap"},
    {31, "paperWrap", "paper wrap"},
    {32, "staples", "staples"},
    {33, "inserts", "inserts"},
    {34, "covers", "covers"},
    {35, "matteToner", "matte toner"},
    {36, "matteInk", "matte ink"},
};

constexpr EnumName kSupplyUnits[] = {
    {1, "other", "other"},
    {2, "unknown", "unknown"},
    {3, "tenThousandthsOfInches", "1/10000 inch"},
    {4, "micrometers", "micrometres"},
    {7, "impressions", "impressions"},
    {8, "sheets", "sheets"},
    {11, "hours", "hours"},
    {12, "thousandthsOfOunces", "1/1000 ounce"},
    {13, "tenthsOfGrams", "1/10 gram"},
    {14, "hundrethsOfFluidOunces", "1/100 fluid ounce"},
    {15, "tenthsOfMilliliters", "1/10 millilitre"},
    {16, "feet", "feet"},
    {17, "meters", "metres"},
    {18, "items", "items"},
    {19, "percent", "percent"},
};

constexpr EnumName kSupplyClasses[] = {
    {1, "other", "other"},
    {3, "supplyThatIsConsumed", "consumable"},
    {4, "receptacleThatIsFilled", "receptacle"},
};

constexpr EnumName kMediaUnits[] = {
    {3, "tenThousandthsOfInches", "1/10000 inch"},
    {4, "micrometers", "micrometres"},
};

constexpr EnumName kCapacityUnits[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "tenThousandthsOfInches", "1/10000 inch"},
    {4, "micrometers", "micrometres"}, {8, "sheets", "sheets"}, {16, "feet", "feet"},
    {17, "meters", "metres"}, {18, "items", "items"}, {19, "percent", "percent"},
};

constexpr EnumName kMarkingTechnologies[] = {
    {1, "other", "other"},
    {2, "unknown", "unknown"},
    {3, "electrophotographicLED", "electrophotographic (LED)"},
    {4, "electrophotographicLaser", "electrophotographic (laser)"},
    {5, "electrophotographicOther", "electrophotographic (other)"},
    {6, "impactMovingHeadDotMatrix9pin", "impact dot matrix, 9-pin"},
    {7, "impactMovingHeadDotMatrix24pin", "impact dot matrix, 24-pin"},
    {8, "impactMovingHeadDotMatrixOther", "impact dot matrix (other)"},
    {9, "impactMovingHeadFullyFormed", "impact fully formed"},
    {10, "impactBand", "impact band"},
    {11, "impactOther", "impact (other)"},
    {12, "inkjetAqueous", "inkjet (aqueous)"},
    {13, "inkjetSolid", "inkjet (solid ink)"},
    {14, "inkjetOther", "inkjet (other)"},
    {15, "pen", "pen plotter"},
    {16, "thermalTransfer", "thermal transfer"},
    {17, "thermalSensitive", "thermal (direct)"},
    {18, "thermalDiffusion", "thermal diffusion (dye sublimation)"},
    {19, "thermalOther", "thermal (other)"},
    {20, "electroerosion", "electroerosion"},
    {21, "electrostatic", "electrostatic"},
    {22, "photographicMicrofiche", "photographic microfiche"},
    {23, "photographicImagesetter", "photographic imagesetter"},
    {24, "photographicOther", "photographic (other)"},
    {25, "ionDeposition", "ion deposition"},
    {26, "eBeam", "electron beam"},
    {27, "typesetter", "typesetter"},
};

constexpr EnumName kCounterUnits[] = {
    {3, "tenThousandthsOfInches", "1/10000 inch"}, {4, "micrometers", "micrometres"},
    {5, "characters", "characters"}, {6, "lines", "lines"}, {7, "impressions", "impressions"},
    {8, "sheets", "sheets"}, {9, "dotRow", "dot rows"}, {11, "hours", "hours"},
    {16, "feet", "feet"}, {17, "meters", "metres"},
};

constexpr EnumName kAddressabilityUnits[] = {
    {3, "tenThousandthsOfInches", "1/10000 inch"},
    {4, "micrometers", "micrometres"},
};

constexpr EnumName kInterpreterLanguages[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "langPCL", "PCL"}, {4, "langHPGL", "HP-GL"},
    {5, "langPJL", "PJL"}, {6, "langPS", "PostScript"}, {7, "langIPDS", "IPDS"}, {8, "langPPDS", "PPDS"},
    {9, "langEscapeP", "ESC/P"}, {10, "langEpson", "Epson"}, {11, "langDDIF", "DDIF"},
    {12, "langInterpress", "Interpress"}, {13, "langISO6429", "ISO 6429"}, {14, "langLineData", "line data"},
    {15, "langMODCA", "MO:DCA"}, {16, "langREGIS", "ReGIS"}, {17, "langSCS", "SCS"},
    {18, "langSPDL", "SPDL (ISO 10180)"}, {19, "langTEK4014", "Tektronix 4014"}, {20, "langPDS", "PDS"},
    {21, "langIGP", "IGP"}, {22, "langCodeV", "Code V"}, {23, "langDSCDSE", "DSC/DSE"}, {24, "langWPS", "WPS"},
    {25, "langLN03", "LN03"}, {26, "langCCITT", "CCITT"}, {27, "langQUIC", "QUIC"}, {28, "langCPAP", "CPAP"},
    {29, "langDecPPL", "DEC PPL"}, {30, "langSimpleText", "simple text"}, {31, "langNPAP", "NPAP"},
    {32, "langDOC", "DOC"}, {33, "langimPress", "imPRESS"}, {34, "langPinwriter", "Pinwriter"},
    {35, "langNPDL", "NPDL"}, {36, "langNEC201PL", "NEC 201PL"},
    {37, "langAutomatic", "automatic language switching"}, {38, "langPages", "Pages"}, {39, "langLIPS", "LIPS"},
    {40, "langTIFF", "TIFF"}, {41, "langDiagnostic", "diagnostic (hex dump)"},
    {42, "langPSPrinter", "PostScript (printer control)"}, {43, "langCaPSL", "CaPSL"}, {44, "langEXCL", "EXCL"},
    {45, "langLCDS", "LCDS"}, {46, "langXES", "XES"}, {47, "langPCLXL", "PCL XL"}, {48, "langART", "ART"},
    {49, "langTIPSI", "TIPSI (IEEE 1284.1)"}, {50, "langPrescribe", "PRESCRIBE"},
    {51, "langLinePrinter", "line printer"}, {52, "langIDP", "IDP"}, {53, "langXJCL", "XJCL"},
    {54, "langPDF", "PDF"}, {55, "langRPDL", "RPDL"}, {56, "langIntermecIPL", "Intermec IPL"},
    {57, "langUBIFingerprint", "UBI Fingerprint"}, {58, "langUBIDirectProtocol", "UBI Direct Protocol"},
    {59, "langFujitsu", "Fujitsu"}, {60, "langCGM", "CGM"}, {61, "langJPEG", "JPEG"}, {62, "langCALS1", "CALS1"},
    {63, "langCALS2", "CALS2"}, {64, "langNIRS", "NIRS"}, {65, "langC4", "C4"}, {66, "langXPS", "XPS"},
    {67, "langOpenXPS", "OpenXPS"}, {68, "langJDF", "JDF"}, {69, "langJMF", "JMF"}, {70, "langPPML", "PPML"},
    {71, "langXHTMLPrint", "XHTML-Print"}, {72, "langPDFis", "PDF/is"}, {73, "langPDF13", "PDF 1.3"},
    {74, "langPDF14", "PDF 1.4"}, {75, "langPDF15", "PDF 1.5"}, {76, "langPDF16", "PDF 1.6"},
    {77, "langPDF17", "PDF 1.7"}, {78, "langPS2", "PostScript level 2"}, {79, "langPS3", "PostScript level 3"},
    {80, "langPCL3", "PCL 3"}, {81, "langPCL3GUI", "PCL 3 GUI"}, {82, "langPCL5e", "PCL 5e"},
    {83, "langPCL5c", "PCL 5c"}, {84, "langPWGRaster", "PWG Raster"}, {85, "langAppleRaster", "Apple Raster"},
};

constexpr EnumName kMediaPathTypes[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"},
    {3, "longEdgeBindingDuplex", "duplex, long-edge binding"},
    {4, "shortEdgeBindingDuplex", "duplex, short-edge binding"}, {5, "simplex", "simplex"},
};

constexpr EnumName kMediaPathSpeedUnits[] = {
    {3, "tenThousandthsOfInchesPerHour", "1/10000 inch per hour"}, {4, "micrometersPerHour", "micrometres per hour"},
    {5, "charactersPerHour", "characters per hour"}, {6, "linesPerHour", "lines per hour"},
    {7, "impressionsPerHour", "impressions per hour"}, {8, "sheetsPerHour", "sheets per hour"},
    {9, "dotRowPerHour", "dot rows per hour"}, {16, "feetPerHour", "feet per hour"},
    {17, "metersPerHour", "metres per hour"},
};

constexpr EnumName kInputTypes[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"},
    {3, "sheetFeedAutoRemovableTray", "removable tray"}, {4, "sheetFeedAutoNonRemovableTray", "fixed tray"},
    {5, "sheetFeedManual", "manual feed"}, {6, "continuousRoll", "continuous roll"},
    {7, "continuousFanFold", "continuous fan-fold"}, {8, "sheetFeedPull", "pull feed"},
};

constexpr EnumName kOutputTypes[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "removableBin", "removable bin"},
    {4, "unRemovableBin", "fixed bin"}, {5, "continuousRollDevice", "continuous roll device"},
    {6, "mailBox", "mailbox"}, {7, "continuousFanFold", "continuous fan-fold"},
};

constexpr EnumName kChannelTypes[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "chSerialPort", "serial port"},
    {4, "chParallelPort", "parallel port"}, {5, "chIEEE1284Port", "IEEE 1284 port"}, {6, "chSCSIPort", "SCSI port"},
    {7, "chAppleTalkPAP", "AppleTalk PAP"}, {8, "chLPDServer", "LPD server"},
    {9, "chNetwareRPrinter", "NetWare RPrinter"}, {10, "chNetwarePServer", "NetWare PServer"},
    {11, "chPort9100", "port 9100"}, {12, "chAppSocket", "AppSocket"}, {13, "chFTP", "FTP"},
    {14, "chTFTP", "TFTP"}, {15, "chDLCLLCPort", "DLC/LLC port"}, {16, "chIBM3270", "IBM 3270"},
    {17, "chIBM5250", "IBM 5250"}, {18, "chFax", "fax"}, {19, "chIEEE1394", "IEEE 1394"},
    {20, "chTransport1", "Transport1"}, {21, "chCPAP", "CPAP"}, {22, "chDCERemoteProcCall", "DCE RPC"},
    {23, "chONCRemoteProcCall", "ONC RPC"}, {24, "chOLE", "OLE"}, {25, "chNamedPipe", "named pipe"},
    {26, "chPCPrint", "PCPrint"}, {27, "chServerMessageBlock", "SMB"}, {28, "chDPMF", "DPMF"},
    {29, "chDLLAPI", "DLL API"}, {30, "chVxDAPI", "VxD API"}, {31, "chSystemObjectManager", "System Object Manager"},
    {32, "chDECLAT", "DEC LAT"}, {33, "chNPAP", "NPAP"}, {34, "chUSB", "USB"}, {35, "chIRDA", "IrDA"},
    {36, "chPrintXChange", "PrintXChange"}, {37, "chPortTCP", "TCP port (raw)"},
    {38, "chBidirPortTCP", "TCP port (raw, bidirectional)"}, {39, "chUNPP", "UNPP"},
    {40, "chAppleTalkADSP", "AppleTalk ADSP"}, {41, "chPortSPX", "SPX port"}, {42, "chPortHTTP", "HTTP"},
    {43, "chNDPS", "NDPS"}, {44, "chIPP", "IPP"}, {45, "chSMTP", "SMTP (e-mail)"},
    {46, "chWSPrint", "WS-Print (web services)"},
};

constexpr EnumName kConsoleColours[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "white", "white"}, {4, "red", "red"},
    {5, "green", "green"}, {6, "blue", "blue"}, {7, "cyan", "cyan"}, {8, "magenta", "magenta"},
    {9, "yellow", "yellow"}, {10, "orange", "orange"},
};

constexpr EnumName kOrientations[] = {{1, "other", "other"}, {3, "portrait", "portrait"}, {4, "landscape", "landscape"}};

constexpr EnumName kPresentOnOff[] = {
    {1, "other", "other"}, {3, "on", "on"}, {4, "off", "off"}, {5, "notPresent", "not present"},
};

constexpr EnumName kCoverStatuses[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "coverOpen", "open"}, {4, "coverClosed", "closed"},
    {5, "interlockOpen", "interlock open"}, {6, "interlockClosed", "interlock closed"},
};

constexpr EnumName kColorantRoles[] = {{1, "other", "other"}, {3, "process", "process colour"}, {4, "spot", "spot colour"}};

constexpr EnumName kFinisherDeviceTypes[] = {
    {1, "other", "other"}, {2, "unknown", "unknown"}, {3, "stitcher", "stitcher"}, {4, "folder", "folder"},
    {5, "binder", "binder"}, {6, "trimmer", "trimmer"}, {7, "dieCutter", "die cutter"}, {8, "puncher", "puncher"},
    {9, "perforater", "perforator"}, {10, "slitter", "slitter"}, {11, "separationCutter", "separation cutter"},
    {12, "imprinter", "imprinter"}, {13, "wrapper", "wrapper"}, {14, "bander", "bander"},
    {15, "makeEnvelope", "envelope maker"}, {16, "stacker", "stacker"}, {17, "sheetRotator", "sheet rotator"},
    {18, "inserter", "inserter"},
};

constexpr EnumName kInterfaceTypes[] = {
    {1, "other", "other"}, {6, "ethernetCsmacd", "Ethernet"}, {24, "softwareLoopback", "loopback"},
    {71, "ieee80211", "Wi-Fi"},
};

constexpr EnumName kInterfaceStatuses[] = {
    {1, "up", "up"}, {2, "down", "down"}, {3, "testing", "testing"}, {4, "unknown", "unknown"},
    {5, "dormant", "dormant"}, {6, "notPresent", "not present"}, {7, "lowerLayerDown", "lower layer down"},
};

constexpr EnumName kAddressOrigins[] = {
    {1, "other", "other"}, {2, "manual", "manual"}, {4, "dhcp", "DHCP"}, {5, "linklayer", "link-local"},
    {6, "random", "random"},
};

constexpr EnumName kStorageTypes[] = {
    {1, "hrStorageOther", "other"}, {2, "hrStorageRam", "RAM"}, {3, "hrStorageVirtualMemory", "virtual memory"},
    {4, "hrStorageFixedDisk", "hard disk"}, {5, "hrStorageRemovableDisk", "removable disk"},
    {6, "hrStorageFloppyDisk", "floppy disk"}, {7, "hrStorageCompactDisc", "optical disc"},
    {8, "hrStorageRamDisk", "RAM disk"}, {9, "hrStorageFlashMemory", "flash memory"},
    {10, "hrStorageNetworkDisk", "network disk"},
};

constexpr EnumName kHostDeviceTypes[] = {
    {1, "hrDeviceOther", "other"}, {2, "hrDeviceUnknown", "unknown"}, {3, "hrDeviceProcessor", "processor"},
    {4, "hrDeviceNetwork", "network"}, {5, "hrDevicePrinter", "printer"}, {6, "hrDeviceDiskStorage", "disk storage"},
    {10, "hrDeviceVideo", "video"}, {11, "hrDeviceAudio", "audio"}, {12, "hrDeviceCoprocessor", "coprocessor"},
    {13, "hrDeviceKeyboard", "keyboard"}, {14, "hrDeviceModem", "modem"}, {15, "hrDeviceParallelPort", "parallel port"},
    {16, "hrDevicePointing", "pointing device"}, {17, "hrDeviceSerialPort", "serial port"}, {18, "hrDeviceTape", "tape"},
    {19, "hrDeviceClock", "clock"}, {20, "hrDeviceVolatileMemory", "volatile memory"},
    {21, "hrDeviceNonVolatileMemory", "non-volatile memory"},
};

constexpr EnumName kJobStates[] = {
    {2, "unknown", "unknown"}, {3, "pending", "pending"}, {4, "pendingHeld", "held"},
    {5, "processing", "processing"}, {6, "processingStopped", "stopped"}, {7, "canceled", "cancelled"},
    {8, "aborted", "aborted"}, {9, "completed", "completed"},
};

struct EnumTable {
    Enumeration enumeration;
    const char* key;
    std::span<const EnumName> names;
};

constexpr EnumTable kTables[] = {
    {E::DeviceStatus, "deviceStatus", kDeviceStatus},
    {E::PrinterStatus, "printerStatus", kPrinterStatus},
    {E::ErrorStateBit, "errorState", kErrorStateBits},
    {E::AlertCode, "alertCode", kAlertCodes},
    {E::AlertGroup, "alertGroup", kAlertGroups},
    {E::AlertSeverity, "alertSeverity", kAlertSeverities},
    {E::AlertTrainingLevel, "alertTrainingLevel", kTrainingLevels},
    {E::SupplyType, "supplyType", kSupplyTypes},
    {E::SupplyUnit, "supplyUnit", kSupplyUnits},
    {E::SupplyClass, "supplyClass", kSupplyClasses},
    {E::MediaUnit, "mediaUnit", kMediaUnits},
    {E::CapacityUnit, "capacityUnit", kCapacityUnits},
    {E::MarkingTechnology, "markingTechnology", kMarkingTechnologies},
    {E::CounterUnit, "counterUnit", kCounterUnits},
    {E::AddressabilityUnit, "addressabilityUnit", kAddressabilityUnits},
    {E::InterpreterLanguage, "interpreterLanguage", kInterpreterLanguages},
    {E::MediaPathType, "mediaPathType", kMediaPathTypes},
    {E::MediaPathSpeedUnit, "mediaPathSpeedUnit", kMediaPathSpeedUnits},
    {E::InputType, "inputType", kInputTypes},
    {E::OutputType, "outputType", kOutputTypes},
    {E::ChannelType, "channelType", kChannelTypes},
    {E::ConsoleColour, "consoleColour", kConsoleColours},
    {E::Orientation, "orientation", kOrientations},
    {E::PresentOnOff, "presentOnOff", kPresentOnOff},
    {E::CoverStatus, "coverStatus", kCoverStatuses},
    {E::ColorantRole, "colorantRole", kColorantRoles},
    {E::FinisherDeviceType, "finisherDeviceType", kFinisherDeviceTypes},
    {E::InterfaceType, "interfaceType", kInterfaceTypes},
    {E::InterfaceStatus, "interfaceStatus", kInterfaceStatuses},
    {E::AddressOrigin, "addressOrigin", kAddressOrigins},
    {E::StorageType, "storageType", kStorageTypes},
    {E::HostDeviceType, "hostDeviceType", kHostDeviceTypes},
    {E::JobState, "jobState", kJobStates},
};

constexpr std::array<Enumeration, std::size(kTables)> kEnumerations = [] {
    std::array<Enumeration, std::size(kTables)> all{};
    for (size_t i = 0; i < all.size(); ++i) all[i] = kTables[i].enumeration;
    return all;
}();

constexpr bool tablesInOrder()
{
    for (size_t i = 0; i < std::size(kTables); ++i) {
        if (static_cast<size_t>(kTables[i].enumeration) != i) return false;
        const auto names = kTables[i].names;
        for (size_t j = 1; j < names.size(); ++j)
            if (names[j - 1].value >= names[j].value) return false;
    }
    return true;
}
static_assert(tablesInOrder(), "one table per enumeration, in its order, values ascending");

const EnumTable& tableOf(Enumeration enumeration)
{
    // The tables are in the order of the enumeration.
    return kTables[static_cast<size_t>(enumeration)];
}

const EnumName* find(Enumeration enumeration, int32_t value)
{
    const auto names = tableOf(enumeration).names;
    const auto it = std::lower_bound(names.begin(), names.end(), value,
                                     [](const EnumName& n, int32_t v) { return n.value < v; });
    return it != names.end() && it->value == value ? &*it : nullptr;
}

// A finisher alert code's device and generic code, or nulls.
struct FinisherCode {
    const FinisherDevice* device = nullptr;
    const EnumName* generic = nullptr;
};

FinisherCode finisherCode(int32_t code)
{
    if (code < kFinisherCodeBase + 3 || code > kFinisherCodeBase + 1638) return {};
    const int32_t device = code / 100 - kFinisherCodeBase / 100;
    const int32_t generic = code % 100;
    if (generic < 3 || generic > 38) return {};
    return {&kFinisherCodeDevices[device], find(E::AlertCode, generic)};
}

WordTranslator gTranslator = nullptr;

std::string translated(const std::string& key, std::string_view english)
{
    return gTranslator ? gTranslator(key, english) : std::string(english);
}

std::string valueKey(Enumeration enumeration, int32_t value)
{
    return std::string(tableOf(enumeration).key) + "." + std::to_string(value);
}

struct FieldLabel {
    const char* field;
    const char* label;
};

// One label per field name of the record schema, sorted by name. A field
// and the text the device gives for it share a label: people see one of them.
constexpr FieldLabel kFieldLabels[] = {
    {"addressAssignment", "Address assignment"},
    {"addressAssignmentText", "Address assignment"},
    {"addressabilityUnit", "Resolution unit"},
    {"addressabilityUnitName", "Resolution unit"},
    {"alertCode", "Alert"},
    {"alertDescription", "Printer's text"},
    {"alertGroup", "Alert concerns"},
    {"alertIndex", "Alert concerns number"},
    {"alertLocation", "Place in it"},
    {"alertSeverity", "Severity"},
    {"alertTrainingLevel", "Who handles it"},
    {"appleTalkEnabled", "AppleTalk"},
    {"appleTalkEnabledText", "AppleTalk"},
    {"autoConfiguration", "Automatic configuration"},
    {"autoConfigurationItemText", "Automatic configuration setting"},
    {"autoConfigurationText", "Automatic configuration"},
    {"autoIp", "Automatic IP address"},
    {"averageBlack", "Average black coverage"},
    {"averageCyan", "Average cyan coverage"},
    {"averageMagenta", "Average magenta coverage"},
    {"averageYellow", "Average yellow coverage"},
    {"bindery", "Bindery"},
    {"binderyText", "Bindery"},
    {"bitNumber", "Bit"},
    {"bitSet", "Supported"},
    {"blackCalibrated", "Black, calibrated"},
    {"blackRaw", "Black, measured"},
    {"bytes122", "Job data A"},
    {"bytes122Length", "Job data A length"},
    {"bytes123", "Job data B"},
    {"bytes123Length", "Job data B length"},
    {"capacity", "Capacity"},
    {"capacityText", "Capacity"},
    {"capacityUnit", "Capacity unit"},
    {"capacityUnitText", "Capacity unit"},
    {"colorantIndex", "Colorant number"},
    {"colour", "Colour"},
    {"colourCapable", "Colour printing"},
    {"colourMode", "Colour mode"},
    {"comment", "Comment"},
    {"computerName", "Computer name"},
    {"context", "Context"},
    {"count", "Count"},
    {"counterClass", "Counter class"},
    {"counterUnit", "Counter unit"},
    {"counterUnitName", "Counter unit"},
    {"country", "Country"},
    {"currentLevel", "Level"},
    {"cyanCalibrated", "Cyan, calibrated"},
    {"cyanRaw", "Cyan, measured"},
    {"defaultGateway", "Default gateway"},
    {"description", "Description"},
    {"deviceIndex", "Device index"},
    {"displayIndex", "Display position"},
    {"displayName", "Language"},
    {"displayText", "Setting"},
    {"dnsEnabled", "DNS"},
    {"dnsEnabledItemText", "DNS setting"},
    {"dnsEnabledText", "DNS"},
    {"dnsServer1", "DNS server 1"},
    {"dnsServer1Text", "DNS server 1"},
    {"dnsServer2", "DNS server 2"},
    {"dnsServer2Text", "DNS server 2"},
    {"domainName", "Domain name"},
    {"domainNameItemText", "Domain name setting"},
    {"duplex", "Two-sided scanning"},
    {"duplexText", "Two-sided scanning"},
    {"email", "E-mail"},
    {"errorState", "Error state"},
    {"errorType", "Error"},
    {"failed", "Read failed"},
    {"family", "Language family"},
    {"feederType", "Feeder"},
    {"feederTypeText", "Feeder"},
    {"fold", "Folding"},
    {"frameType", "Frame type"},
    {"frameTypeText", "Frame type"},
    {"hostName", "Host name"},
    {"hostNameItemText", "Host name setting"},
    {"inErrors", "Interface errors received"},
    {"inIcmpErrors", "ICMP errors received"},
    {"inIcmpMessages", "ICMP messages received"},
    {"inIcmpUnreachable", "ICMP unreachable received"},
    {"inIpDatagrams", "IP datagrams received"},
    {"inNonUnicastPackets", "Non-unicast packets received"},
    {"inSnmpPackets", "SNMP packets received"},
    {"inTcpSegments", "TCP segments received"},
    {"inUdpDatagrams", "UDP datagrams received"},
    {"inUnicastPackets", "Unicast packets received"},
    {"index", "Number"},
    {"ipAddress", "IP address"},
    {"ipv6Address", "IPv6 address"},
    {"ipv6AddressShow", "IPv6 address shown"},
    {"ipv6AddressText", "IPv6 address"},
    {"ipv6Enabled", "IPv6"},
    {"ipv6EnabledItemText", "IPv6 setting"},
    {"ipv6EnabledText", "IPv6"},
    {"item", "Item"},
    {"language", "Language code"},
    {"languageLevel", "Language level"},
    {"lastBlack", "Last page black coverage"},
    {"lastCyan", "Last page cyan coverage"},
    {"lastMagenta", "Last page magenta coverage"},
    {"lastYellow", "Last page yellow coverage"},
    {"length", "Length"},
    {"level", "Level"},
    {"levelText", "Level"},
    {"life", "Life"},
    {"lifeCount", "Lifetime count"},
    {"lineType", "Line type"},
    {"lineTypeText", "Line type"},
    {"listed", "Listed"},
    {"location", "Location"},
    {"macAddress", "MAC address"},
    {"magentaCalibrated", "Magenta, calibrated"},
    {"magentaRaw", "Magenta, measured"},
    {"markingTechnology", "Marking technology"},
    {"maximum", "Maximum"},
    {"maximumCapacity", "Maximum capacity"},
    {"maximumSizeX", "Largest width"},
    {"maximumSizeY", "Largest length"},
    {"mediaCode", "Media code"},
    {"mediaName", "Media"},
    {"message", "Message"},
    {"method", "Method"},
    {"mode", "Mode"},
    {"modeText", "Mode"},
    {"name", "Name"},
    {"netWareEnabled", "NetWare"},
    {"netWareEnabledText", "NetWare"},
    {"netbeui", "NetBEUI"},
    {"netbeuiText", "NetBEUI"},
    {"netbiosOverTcp", "NetBIOS over TCP/IP"},
    {"netbiosOverTcpText", "NetBIOS over TCP/IP"},
    {"notificationType", "Notification"},
    {"number", "Number"},
    {"octetCount", "Octets reported"},
    {"offsetCalibrated", "Offset, calibrated"},
    {"offsetRaw", "Offset, measured"},
    {"option", "Option"},
    {"outErrors", "Interface errors sent"},
    {"outIcmpErrors", "ICMP errors sent"},
    {"outIcmpMessages", "ICMP messages sent"},
    {"outIpDatagrams", "IP datagrams sent"},
    {"outNonUnicastPackets", "Non-unicast packets sent"},
    {"outSnmpPackets", "SNMP packets sent"},
    {"outTcpSegments", "TCP segments sent"},
    {"outUdpDatagrams", "UDP datagrams sent"},
    {"outUnicastPackets", "Unicast packets sent"},
    {"pageOrder", "Page order"},
    {"pageOrderText", "Page order"},
    {"paperName", "Paper"},
    {"paperSizeCode", "Paper size code"},
    {"pollingInterval", "Polling interval"},
    {"powerOnCount", "Count since power on"},
    {"printServerName", "Print server name"},
    {"printerName", "Printer name"},
    {"processColorants", "Process colours"},
    {"punch", "Punching"},
    {"rawValue", "Setting code"},
    {"receiveSpeed", "Receive speed"},
    {"remainingPercentage", "Remaining"},
    {"remainingText", "Remaining"},
    {"rendezvousEnabled", "Rendezvous"},
    {"rendezvousEnabledText", "Rendezvous"},
    {"resolutionUnit", "Resolution unit"},
    {"resolutionUnitText", "Resolution unit"},
    {"resolutionX", "Horizontal resolution"},
    {"resolutionY", "Vertical resolution"},
    {"rollOver", "Rolls over at"},
    {"routerAddress", "Router address"},
    {"routerAddressShow", "Router address shown"},
    {"routerAddressText", "Router address"},
    {"rowIndex", "Row"},
    {"seconds", "Delay in seconds"},
    {"sendSpeed", "Send speed"},
    {"sequence", "Sequence number"},
    {"serviceName", "Service name"},
    {"shift", "Offset stacking"},
    {"simpleStatus", "Status"},
    {"sizeName", "Size"},
    {"sizeUnit", "Size unit"},
    {"sizeUnitName", "Size unit"},
    {"sizeUnitText", "Size unit"},
    {"sizeX", "Width"},
    {"sizeY", "Length"},
    {"speed", "Speed"},
    {"speedText", "Speed"},
    {"speedUnit", "Speed unit"},
    {"speedUnitText", "Speed unit"},
    {"spotColorants", "Spot colours"},
    {"staple", "Stapling"},
    {"status", "Status"},
    {"statusText", "Status"},
    {"stitch", "Stitching"},
    {"subnetMask", "Subnet mask"},
    {"supplyType", "Type"},
    {"tag100", "Job attribute 100"},
    {"tag112", "Job attribute 112"},
    {"tag113", "Job attribute 113"},
    {"tag114", "Job attribute 114"},
    {"tag114Length", "Job attribute 114 length"},
    {"tag118", "Job attribute 118"},
    {"tag120", "Job attribute 120"},
    {"tag127", "Job attribute 127"},
    {"tag144", "Job attribute 144"},
    {"tag181", "Job attribute 181"},
    {"tag183", "Job attribute 183"},
    {"tag184", "Job attribute 184"},
    {"tag187", "Job attribute 187"},
    {"tag191", "Job attribute 191"},
    {"tag193", "Job attribute 193"},
    {"tag200", "Job attribute 200"},
    {"tag510", "Job attribute 510"},
    {"tcpIpEnabled", "TCP/IP"},
    {"tcpIpEnabledText", "TCP/IP"},
    {"technologyName", "Marking technology"},
    {"text", "Text"},
    {"trayName", "Tray"},
    {"tree", "Tree"},
    {"type", "Type"},
    {"typeName", "Type"},
    {"unit", "Unit"},
    {"unitName", "Unit"},
    {"unitText", "Unit"},
    {"upTimeSeconds", "Up time"},
    {"url", "Web address"},
    {"value", "Value"},
    {"version", "Version"},
    {"winsServer1", "WINS server 1"},
    {"winsServer1Text", "WINS server 1"},
    {"winsServer2", "WINS server 2"},
    {"winsServer2Text", "WINS server 2"},
    {"workgroup", "Workgroup"},
    {"xAddressability", "Horizontal resolution"},
    {"yAddressability", "Vertical resolution"},
    {"yellowCalibrated", "Yellow, calibrated"},
    {"yellowRaw", "Yellow, measured"},
    {"zone", "Zone"},
};

static_assert(std::is_sorted(std::begin(kFieldLabels), std::end(kFieldLabels),
                             [](const FieldLabel& a, const FieldLabel& b) {
                                 return std::string_view(a.field) < std::string_view(b.field);
                             }),
              "the label table is sorted by field name");

const FieldLabel* findLabel(std::string_view field)
{
    const auto it = std::lower_bound(std::begin(kFieldLabels), std::end(kFieldLabels), field,
                                     [](const FieldLabel& l, std::string_view f) { return l.field < f; });
    return it != std::end(kFieldLabels) && it->field == field ? &*it : nullptr;
}

std::string snakeCase(std::string_view label)
{
    std::string key;
    for (size_t i = 0; i < label.size(); ++i) {
        const auto c = static_cast<unsigned char>(label[i]);
        // An upper-case letter starts a word unless it continues an acronym ("NMS" in "printerNMSReset").
        const bool upper = std::isupper(c) != 0;
        const bool previousUpper = i > 0 && std::isupper(static_cast<unsigned char>(label[i - 1]));
        const bool nextLower = i + 1 < label.size() && std::islower(static_cast<unsigned char>(label[i + 1]));
        if (upper && i > 0 && (!previousUpper || nextLower)) key += '_';
        key += static_cast<char>(std::tolower(c));
    }
    return key;
}

}  // namespace

std::span<const Enumeration> enumerations()
{
    return kEnumerations;
}

const char* enumerationKey(Enumeration enumeration)
{
    return tableOf(enumeration).key;
}

std::span<const EnumName> enumNames(Enumeration enumeration)
{
    return tableOf(enumeration).names;
}

bool enumNamed(Enumeration enumeration, int32_t value)
{
    if (find(enumeration, value)) return true;
    return enumeration == E::AlertCode && finisherCode(value).generic != nullptr;
}

std::string enumLabel(Enumeration enumeration, int32_t value)
{
    if (const EnumName* name = find(enumeration, value)) return name->label;
    if (enumeration != E::AlertCode) return {};
    const FinisherCode code = finisherCode(value);
    if (!code.generic) return {};
    // The generic label loses its "subunit" prefix and continues the device's name.
    std::string suffix = code.generic->label;
    if (suffix.rfind("subunit", 0) == 0) suffix.erase(0, 7);
    suffix[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(suffix[0])));
    return code.device->label + suffix;
}

std::string enumWord(Enumeration enumeration, int32_t value)
{
    std::string english;
    if (const EnumName* name = find(enumeration, value)) {
        english = name->word;
    } else if (const FinisherCode code = enumeration == E::AlertCode ? finisherCode(value) : FinisherCode{};
               code.generic) {
        english = std::string(code.device->word) + ": " + code.generic->word;
    } else {
        english = "other (" + std::to_string(value) + ")";
    }
    return translated(valueKey(enumeration, value), english);
}

std::string enumKey(Enumeration enumeration, int32_t value)
{
    const std::string label = enumLabel(enumeration, value);
    return label.empty() ? "value_" + std::to_string(value) : snakeCase(label);
}

std::vector<std::string> errorStateWords(uint32_t bits)
{
    std::vector<std::string> words;
    for (int32_t bit = 0; bit < 32; ++bit) {
        if (bits & (1u << bit)) words.push_back(enumWord(E::ErrorStateBit, bit));
    }
    return words;
}

std::string capitalised(std::string text)
{
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::string notReported()
{
    return translated("notReported", "not reported");
}

std::string formatCount(int64_t value, std::string_view separator)
{
    // The magnitude as unsigned, so the smallest int64 has one too.
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::string digits = std::to_string(magnitude);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string formatBytes(uint64_t bytes)
{
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    double value = static_cast<double>(bytes) / 1024.0;
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[48];
    // A decimal only where it tells something: 1.5 GiB, but 512 MiB.
    if (value < 100.0 && value != static_cast<double>(static_cast<uint64_t>(value)))
        snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    else
        snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
    return text;
}

std::string formatUpTime(uint64_t seconds)
{
    const auto part = [](uint64_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    const uint64_t days = seconds / 86400, hours = seconds / 3600 % 24, minutes = seconds / 60 % 60;
    if (days > 0) return part(days, "day", "days") + " " + part(hours, "hour", "hours");
    if (hours > 0) return part(hours, "hour", "hours") + " " + part(minutes, "minute", "minutes");
    if (minutes > 0) return part(minutes, "minute", "minutes");
    return part(seconds, "second", "seconds");
}

std::string formatPagesPerMinute(int32_t pages)
{
    return std::to_string(pages) + (pages == 1 ? " page per minute" : " pages per minute");
}

std::string formatDpi(int32_t across, int32_t along)
{
    if (across == along) return std::to_string(across) + " dpi";
    return std::to_string(across) + " x " + std::to_string(along) + " dpi";
}

std::string fieldLabel(std::string_view field)
{
    const FieldLabel* label = findLabel(field);
    if (!label) return std::string(field);
    return translated("field." + std::string(field), label->label);
}

bool fieldLabelled(std::string_view field)
{
    return findLabel(field) != nullptr;
}

namespace {

struct FieldEnumeration {
    const char* record;
    const char* field;
    Enumeration enumeration;
};

// The record fields that hold standard MIB codes as the standard package reads them.
constexpr FieldEnumeration kFieldEnumerations[] = {
    {"TonerEntry", "supplyType", E::SupplyType},
    {"TonerEntry", "capacityUnit", E::SupplyUnit},
    {"SupplyEntry", "supplyType", E::SupplyType},
    {"SupplyEntry", "capacityUnit", E::SupplyUnit},
    {"TrayEntry", "capacityUnit", E::CapacityUnit},
    {"MarkerInfo", "markingTechnology", E::MarkingTechnology},
    {"MarkerInfo", "counterUnit", E::CounterUnit},
    {"MarkerInfo", "addressabilityUnit", E::AddressabilityUnit},
    {"InterpreterEntry", "family", E::InterpreterLanguage},
    {"DeviceStatus", "alertGroup", E::AlertGroup},
    {"DeviceStatus", "alertCode", E::AlertCode},
    {"AlertEntry", "alertSeverity", E::AlertSeverity},
    {"AlertEntry", "alertTrainingLevel", E::AlertTrainingLevel},
    {"AlertEntry", "alertGroup", E::AlertGroup},
    {"AlertEntry", "alertCode", E::AlertCode},
    {"SupplyIndexEntry", "supplyType", E::SupplyType},
};

struct QueryTitle {
    const char* query;
    const char* title;
};

constexpr QueryTitle kQueryTitles[] = {
    {"GetDevToner", "Toner"},
    {"GetDevTonerCap", "Toner capacities"},
    {"GetDevTonerSave", "Toner saving"},
    {"GetDevSupplies", "Supplies"},
    {"GetDevMarker", "Print engine"},
    {"GetDevTray", "Paper trays"},
    {"GetDevImageArea", "Colour coverage"},
    {"GetDevColorCalib", "Colour calibration"},
    {"GetDevStatus", "Status"},
    {"GetDevInfo", "Device"},
    {"GetDevCounter", "Page counters"},
    {"GetDevVersion", "Versions"},
    {"GetDevSerial", "Serial number"},
    {"GetDevErrorState", "Error state"},
    {"GetDevAlerts", "Alerts"},
    {"GetDevSupplyIndex", "Supply rows"},
    {"GetDevLang", "Panel language"},
    {"GetDevInterpreter", "Printer languages"},
    {"GetDevFinInfo", "Finisher"},
    {"GetDevSpeed", "Speed"},
    {"GetDevPowerSave", "Power save"},
    {"GetDevHdd", "Hard disk"},
    {"GetDevMemory", "Memory"},
    {"GetDevCopies", "Copies"},
    {"GetDevFormLines", "Lines per page"},
    {"GetDevADU", "Two-sided printing"},
    {"GetDevOrientation", "Orientation"},
    {"GetDevWideA4", "Wide A4"},
    {"GetDevDispMsg", "Panel messages"},
    {"GetDevSrvInfo", "Service contacts"},
    {"GetDevOption1", "Options 1"},
    {"GetDevOption2", "Options 2"},
    {"GetDevOption3", "Options 3"},
    {"GetDevOption4", "Options 4"},
    {"GetDevFaxChannel", "Fax lines"},
    {"GetDevFaxSendSize", "Fax send paper sizes"},
    {"GetDevFaxRecvSize", "Fax receive paper sizes"},
    {"GetDevFaxSendReso", "Fax send resolutions"},
    {"GetDevFaxRecvReso", "Fax receive resolutions"},
    {"GetDevFaxSendComp", "Fax send compression"},
    {"GetDevFaxRecvComp", "Fax receive compression"},
    {"GetDevScnODH", "Document feeder"},
    {"GetDevScnSensor", "Scanner sensor"},
    {"GetDevScnColSp", "Scan colour spaces"},
    {"GetDevScnImage", "Scan image formats"},
    {"GetCurrentJobNum", "Number of current jobs"},
    {"GetJobLogNum", "Number of job log entries"},
    {"GetFaxLogNum", "Number of fax log entries"},
    {"GetCurrentJobInfo", "Current jobs"},
    {"GetJobLogInfo", "Job log"},
    {"GetFaxLogInfo", "Fax log"},
    {"GetDevTCP", "TCP/IP"},
    {"GetDevTCPOpt", "DNS and WINS"},
    {"GetDevTCPIPv6", "IPv6"},
    {"GetDevNetWare", "NetWare"},
    {"GetDevSMB", "SMB"},
    {"GetDevAppleTalk", "AppleTalk"},
    {"GetDevRendezvous", "Rendezvous"},
    {"GetDevNetInfo", "Traffic"},
};

}  // namespace

std::optional<Enumeration> fieldEnumeration(std::string_view record, std::string_view field)
{
    for (const FieldEnumeration& f : kFieldEnumerations) {
        if (f.record == record && f.field == field) return f.enumeration;
    }
    return std::nullopt;
}

std::string queryTitle(std::string_view query)
{
    for (const QueryTitle& t : kQueryTitles) {
        if (t.query == query) return translated("query." + std::string(query), t.title);
    }
    return std::string(query);
}

void setWordTranslator(WordTranslator translator)
{
    gTranslator = translator;
}

namespace {

struct Range {
    char32_t first, last;
};

// Combining marks and zero-width characters: no column of their own.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
    {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0900, 0x0902},
    {0x093A, 0x093A}, {0x093C, 0x093C}, {0x0941, 0x0948}, {0x094D, 0x094D}, {0x0E31, 0x0E31},
    {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x2028, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D}, {0x3099, 0x309A},
    {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// East Asian wide and full-width characters: two columns.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B}, {0x2329, 0x232A}, {0x2E80, 0x303E}, {0x3041, 0x33FF},
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xA960, 0xA97F}, {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF}, {0xFE10, 0xFE19}, {0xFE30, 0xFE6F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <size_t N>
bool within(const Range (&ranges)[N], char32_t c)
{
    const auto it = std::upper_bound(std::begin(ranges), std::end(ranges), c,
                                     [](char32_t v, const Range& r) { return v < r.first; });
    return it != std::begin(ranges) && c <= std::prev(it)->last;
}

// The character at the start of text and its length; length 0 when the bytes are no well-formed UTF-8.
std::pair<char32_t, size_t> decode(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    size_t length = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, c = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, c = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, c = lead & 0x07;
    if (length == 0 || text.size() < length) return {0, 0};
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return {0, 0};
        c = (c << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
        return {0, 0};
    return {c, length};
}

}  // namespace

size_t displayWidth(std::string_view text)
{
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const auto [c, length] = decode(text.substr(i));
        if (length == 0) {
            ++width;
            ++i;
            continue;
        }
        i += length;
        if (within(kZeroWidth, c)) continue;
        width += within(kWide, c) ? 2 : 1;
    }
    return width;
}

}  // namespace netrov::core
