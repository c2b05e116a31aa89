#pragma once

#include <QByteArray>
#include <QList>

// The configuration lines an analyzer must receive at log on, in order,
// without their CR LF: what the tests expect, written out on their own.
inline const QList<QByteArray> kExpectedConfiguration{":DVC",
                                                      ":HMX:ALL 40",
                                                      ":AVG:FIX 4",
                                                      ":CFG 41,1",
                                                      ":CFG 34,1",
                                                      ":CFG 26,1",
                                                      ":DSE 4",
                                                      ":SEL:CLR",
                                                      ":SEL:CH1",
                                                      ":SEL:VLT;:SEL:AMP;:SEL:WAT",
                                                      ":SEL:PWF;:SEL:FRQ",
                                                      ":SEL:AHM;:SEL:SER"};
