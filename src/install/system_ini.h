// Switch-over of system.ini to the built-in virtual mouse driver, and the
// separate mouse VxD set aside.
#pragma once

// 0 when VMM32\VMOUSE.VXD was renamed to VMOUSE.BAK, -1 otherwise.
int SwitchSystemIni();
