/* The forwarded queries: X(ordinal, Name) for TUVA_Name and TUVASRV_Name. */
#ifndef NETROV_TUVA_QUERIES_H
#define NETROV_TUVA_QUERIES_H

/* Every forwarded query but TUVA_SearchDevice, which merges its results. */
#define NETROV_FORWARDED_QUERIES(X) \
    X(9, GetDevStatus) \
    X(10, GetDevInfo) \
    X(11, GetDevToner) \
    X(12, GetDevTray) \
    X(13, GetDevMemory) \
    X(14, GetDevHdd) \
    X(15, GetDevDispMsg) \
    X(16, GetDevADU) \
    X(17, GetDevSpeed) \
    X(18, GetDevMarker) \
    X(19, GetDevSupplies) \
    X(20, GetDevVersion) \
    X(21, GetDevCounter) \
    X(22, GetDevColorCalib) \
    X(23, GetDevLang) \
    X(24, GetDevInterpreter) \
    X(25, GetDevImageArea) \
    X(26, GetDevSerial) \
    X(27, GetDevPowerSave) \
    X(28, GetDevOrientation) \
    X(29, GetDevWideA4) \
    X(30, GetDevCopies) \
    X(31, GetDevFormLines) \
    X(32, GetDevTonerSave) \
    X(33, GetDevOption1) \
    X(34, GetDevOption2) \
    X(35, GetDevOption3) \
    X(36, GetDevOption4) \
    X(37, GetMsg) \
    X(38, GetDevNetInfo) \
    X(39, GetDevTCP) \
    X(40, GetDevNetWare) \
    X(41, GetDevSMB) \
    X(42, GetDevAppleTalk) \
    X(43, GetDevRendezvous) \
    X(44, GetDevFinInfo) \
    X(45, GetDevFaxChannel) \
    X(46, GetDevFaxSendSize) \
    X(47, GetDevFaxRecvSize) \
    X(48, GetDevFaxSendReso) \
    X(49, GetDevFaxRecvReso) \
    X(50, GetDevFaxSendComp) \
    X(51, GetDevFaxRecvComp) \
    X(52, GetDevScnODH) \
    X(53, GetDevScnSensor) \
    X(54, GetDevScnColSp) \
    X(55, GetDevScnImage) \
    X(56, GetDevSrvInfo) \
    X(57, GetCurrentJobNum) \
    X(58, GetJobLogNum) \
    X(59, GetFaxLogNum) \
    X(60, GetCurrentJobInfo) \
    X(61, GetJobLogInfo) \
    X(62, GetFaxLogInfo) \
    X(63, ParseCurrentJobInfo) \
    X(64, ParseJobLogInfo) \
    X(65, ParseFaxLogInfo) \
    X(66, SetDeviceTrap) \
    X(67, SetJobTrap) \
    X(68, SetJobContinue) \
    X(69, SetJobCancel) \
    X(71, GetDevTonerCap) \
    X(75, GetDevModelName) \
    X(76, GetDevTCPOpt) \
    X(77, GetDevTCPIPv6) \
    X(78, GetDevErrorState) \
    X(79, GetDevAlerts) \
    X(80, GetDevSupplyIndex)

#endif
