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

// The analyzer's answer to ":FRD?" for a product that passes every class
// with a Class D power of 75 W (its lowest harmonics below 5 mA show as not
// tested), written out on its own: the simulator builds its own from numbers.
inline const QByteArray kPassingReply =
    "7.5000E+01,2.3010E+02,3.4300E-01,9.5000E-01,5.0000E+01,7.8920E+01,2.4580E+01,3.3000E-01,"
    "3.1000E-03,8.0200E-02,2.1000E-03,2.8400E-02,1.4000E-03,1.9600E-02,1.0000E-03,1.2100E-02,"
    "9.0000E-04,8.2000E-03,8.0000E-04,7.1000E-03,7.0000E-04,6.3000E-03,7.0000E-04,5.6000E-03,"
    "6.0000E-04,5.2000E-03,6.0000E-04,4.9000E-03,5.0000E-04,4.7000E-03,5.0000E-04,4.5000E-03,"
    "5.0000E-04,4.3000E-03,4.0000E-04,4.1000E-03,4.0000E-04,3.9000E-03,4.0000E-04,3.7000E-03,"
    "3.0000E-04,3.5000E-03,3.0000E-04,3.3000E-03,3.0000E-04,3.1000E-03,3.0000E-04\r\n";

// The same with a 3rd harmonic of 3.5 A: above the limit of every class.
inline QByteArray failingReply()
{
    QList<QByteArray> fields = kPassingReply.trimmed().split(',');
    fields[9] = "3.5000E+00";
    return fields.join(',') + "\r\n";
}
