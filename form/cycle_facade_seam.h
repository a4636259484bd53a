#pragma once
// Facade functions the cycle needs that the kernel does not offer yet; the declarations are
// those the facade will carry. Until then cycle_facade_seam.cpp stands in for them: the
// stopped record is shown as it stands, and the per-record treatments, the reference and
// the math trace do nothing. Remove both files when the facade has them.

bool controlGetStoppedData(int ch, short** out);
bool controlFillGroundLevel(int ch);
bool controlInvertChannel(int ch);
bool controlUpdateReference();
bool controlUpdateMath();
