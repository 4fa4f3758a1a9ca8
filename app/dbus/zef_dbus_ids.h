// Names under which the pipeline-database link meets the outside world.
//
// The sink is the object through which the external pipeline-database
// program hands pipeline segments to Orvane. On this platform it lives on the
// D-Bus session bus; the interfaces are described by IZefDBSink.xml and
// ZefDB.xml in this folder, and README.md beside them gives the protocol.
#pragma once

namespace zefdbus {

// ---- The sink (this program) ----

// Well-known bus name an Orvane started for automation owns; the service
// activation file written by "-RegServer" carries it.
inline constexpr char kSinkService[] = "com.holvik.Torval.ZefDBSink";
inline constexpr char kSinkPath[] = "/com/holvik/Torval/ZefDBSink";
inline constexpr char kSinkInterface[] = "com.holvik.Torval.IZefDBSink";

// ---- The pipeline-database server (another program) ----

inline constexpr char kServerService[] = "com.holvik.Torval.ZefDB";
inline constexpr char kServerPath[] = "/com/holvik/Torval/ZefDB";
inline constexpr char kServerInterface[] = "com.holvik.Torval.ZefDB";
// Advise(s sink_service, o sink_path) -> u cookie
inline constexpr char kServerAdvise[] = "Advise";
// Unadvise(u cookie)
inline constexpr char kServerUnadvise[] = "Unadvise";

// ---- The automation start ----

// Command-line switch of an automation start (whole last argument, after
// "-" or "/", any case), and the two registration switches.
inline constexpr char kAutomationSwitch[] = "Automation";
inline constexpr char kRegServerSwitch[] = "RegServer";
inline constexpr char kUnregServerSwitch[] = "UnregServer";
// File name of the service activation file below
// $XDG_DATA_HOME/dbus-1/services/.
inline constexpr char kActivationFileName[] = "com.holvik.Torval.ZefDBSink.service";

// ---- Identities of the automation classes on the desktop this program
// came from. D-Bus does not use them; they are kept so that a bridge or a
// database program that still speaks of them can be matched up. ----

// The external pipeline-database server class.
inline constexpr char kServerClassId[] = "{00203EEE-3F4B-43A8-94A0-A0E479292536}";
// Its event interface (the interface the sink implements).
inline constexpr char kServerEventsId[] = "{8CC2C17D-A700-450A-ACC5-BCF92C3A3C88}";
// The sink class, a local server.
inline constexpr char kSinkClassId[] = "{F7233B9E-AD33-4f73-8983-5F16FECBA0C2}";
inline constexpr char kSinkProgId[] = "TORVAL.ZefDBSink.1";
inline constexpr char kSinkVersionIndependentProgId[] = "TORVAL.ZefDBSink";
inline constexpr char kSinkDescription[] = "ZefDBSink Class";
inline constexpr char kSinkAppId[] = "{0E31AE4E-7FB6-4870-8FE2-3E3B64679A32}";
// The type library was a resource of the program; IZefDBSink.xml takes its
// place here.
inline constexpr char kSinkTypeLibrary[] = "IZefDBSink.xml";

}  // namespace zefdbus
