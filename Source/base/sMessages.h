// The skin command message and its command codes: the private protocol through which the
// engine's components talk. WParam's high word carries the command, its low word a small
// argument; LParam carries the sending manager, a record pointer or a value; the message
// result is the answer (0: not handled, or no).
#pragma once

#include "ui/Types.h"

constexpr Cardinal SM_ALPHACMD = 0xA100;
// Posted to the application window to have a popup menu's frame drawn (LParam: the item).
constexpr Cardinal WM_DRAWMENUBORDER = 0xBCB3;
// Handled by the manager's application-window hook; posted by nobody.
constexpr Cardinal WM_DRAWMENUBORDER2 = 0xBCB4;

// Command codes. KV_SETNEWSKIN, KV_REMOVESKIN, KV_REFRESH and KV_FONTSCHANGED carry the
// sending manager in LParam and concern only the receivers of that manager.
constexpr Word KV_SETNEWSKIN = 1;
constexpr Word KV_REMOVESKIN = 2;
constexpr Word KV_REFRESH = 3;
constexpr Word KV_GETPROVIDER = 4;
constexpr Word KV_GETCACHE = 5;
constexpr Word KV_ENDPARENTUPDATE = 6;
constexpr Word KV_CTRLHANDLED = 7;
constexpr Word KV_UPDATING = 8;
constexpr Word KV_GETDEFINDEX = 9;
constexpr Word KV_PREPARING = 10;
constexpr Word KV_GETHALFVISIBLE = 11;
constexpr Word KV_GETLISTSW = 12;
constexpr Word KV_UPDATESECTION = 13;
constexpr Word KV_DROPPEDDOWN = 14;
constexpr Word KV_SETSECTION = 15;
constexpr Word KV_STOPFADING = 16;
constexpr Word KV_SETBGCHANGED = 17;
constexpr Word KV_INVALIDATE = 18;
constexpr Word KV_CHILDCHANGED = 19;
constexpr Word KV_SETCHANGEDIFNECESSARY = 20;
constexpr Word KV_GETCONTROLCOLOR = 21;
constexpr Word KV_SETHALFVISIBLE = 22;
constexpr Word KV_PREPARECACHE = 23;
constexpr Word KV_DRAWANIMAGE = 24;
constexpr Word KV_CONTROLLOADED = 25;
constexpr Word KV_GETSKININDEX = 26;
constexpr Word KV_GETSERVICEINT = 27;
constexpr Word KV_UPDATECHILDREN = 28;
constexpr Word KV_MOUSEENTER = 29;
constexpr Word KV_MOUSELEAVE = 30;
constexpr Word KV_BEGINUPDATE = 31;
constexpr Word KV_ENDUPDATE = 32;
constexpr Word KV_CLEARCACHE = 33;
constexpr Word KV_GETBG = 34;
constexpr Word KV_GETDISKIND = 35;
constexpr Word KV_FONTSCHANGED = 36;
constexpr Word KV_GETSKINDATA = 37;
constexpr Word KV_PRINTING = 38;
constexpr Word KV_UPDATELIGHT = 39;
constexpr Word KV_PAINTOUTER = 40;
constexpr Word KV_FLUENTHANDLE = 41;
constexpr Word KV_SETGLASSMODE = 42;
constexpr Word KV_BUFFEREDPRINTCLIENT = 43;
constexpr Word KV_FORCEOPAQUE = 44;
constexpr Word KV_BEFORESCROLL = 51;
constexpr Word KV_AFTERSCROLL = 52;
constexpr Word KV_REINITSCROLLS = 53;
constexpr Word KV_GETCOLORTONE = 54;
constexpr Word KV_LINKOBJ = 55;
constexpr Word KV_GETAPPLICATION = 60;
constexpr Word KV_PARENTCLOFFSET = 61;
constexpr Word KV_NCPAINT = 62;
constexpr Word KV_SETPOSCHANGING = 63;
constexpr Word KV_GETPOSCHANGING = 64;
constexpr Word KV_SETALPHA = 65;
constexpr Word KV_GETFONTINDEX = 66;
constexpr Word KV_GETBORDERWIDTH = 67;
constexpr Word KV_SETSCALE = 68;
constexpr Word KV_GETSCALE = 69;
constexpr Word KV_GETOUTRGN = 70;
constexpr Word KV_COPYDATA = 71;
constexpr Word KV_POPUPCLOSED = 72;
constexpr Word KV_UPDATESHADOW = 73;
constexpr Word KV_SKINCHANGED = 74;
constexpr Word KV_SKINLISTCHANGED = 75;
constexpr Word KV_PAINTFLOATITEMS = 76;
constexpr Word KV_UPDATEFLOATITEMS = 77;
constexpr Word KV_UPDATEITEMSALPHA = 78;
constexpr Word KV_UPDATEPAGEBTN = 78;
constexpr Word KV_GETTOPWND = 79;
constexpr Word KV_SETFLOATZORDER = 80;
constexpr Word KV_UPDATEFLOATBITMAPS = 81;
constexpr Word KV_KILLTIMERS = 82;
constexpr Word KV_SETNCSKINNED = 83;
constexpr Word KV_REFLECTLAYOUT = 84;
constexpr Word KV_ISOPAQUE = 85;
constexpr Word KV_GETCOMMONSKINDATA = 86;
constexpr Word KV_ANIMSCALE = 87;
constexpr Word KV_GETDEFSECTION = 88;
constexpr Word KV_GETMOUSEAREA = 89;
constexpr Word KV_GETTEXTRECT = 90;
constexpr Word KV_DOSKIPCLICK = 91;
constexpr Word KV_STATUSBAR = 92;
constexpr Word KV_ANIMPAINT = 93;
constexpr Word KV_SKINTHREADSTATUS = 97;

// WParam values of the frequent commands (code in the high word, low word 0).
constexpr Cardinal KV_SETNEWSKIN_HI = Cardinal{KV_SETNEWSKIN} << 16;
constexpr Cardinal KV_REMOVESKIN_HI = Cardinal{KV_REMOVESKIN} << 16;
constexpr Cardinal KV_REFRESH_HI = Cardinal{KV_REFRESH} << 16;
constexpr Cardinal KV_GETPROVIDER_HI = Cardinal{KV_GETPROVIDER} << 16;
constexpr Cardinal KV_ENDPARENTUPDATE_HI = Cardinal{KV_ENDPARENTUPDATE} << 16;
constexpr Cardinal KV_CTRLHANDLED_HI = Cardinal{KV_CTRLHANDLED} << 16;
constexpr Cardinal KV_UPDATING_HI = Cardinal{KV_UPDATING} << 16;
constexpr Cardinal KV_GETDEFINDEX_HI = Cardinal{KV_GETDEFINDEX} << 16;
constexpr Cardinal KV_STOPFADING_HI = Cardinal{KV_STOPFADING} << 16;
constexpr Cardinal KV_SETBGCHANGED_HI = Cardinal{KV_SETBGCHANGED} << 16;
constexpr Cardinal KV_GETCONTROLCOLOR_HI = Cardinal{KV_GETCONTROLCOLOR} << 16;
constexpr Cardinal KV_PREPARECACHE_HI = Cardinal{KV_PREPARECACHE} << 16;
constexpr Cardinal KV_GETSERVICEINT_HI = Cardinal{KV_GETSERVICEINT} << 16;
constexpr Cardinal KV_MOUSELEAVE_HI = Cardinal{KV_MOUSELEAVE} << 16;
constexpr Cardinal KV_BEGINUPDATE_HI = Cardinal{KV_BEGINUPDATE} << 16;
constexpr Cardinal KV_ENDUPDATE_HI = Cardinal{KV_ENDUPDATE} << 16;
constexpr Cardinal KV_CLEARCACHE_HI = Cardinal{KV_CLEARCACHE} << 16;
constexpr Cardinal KV_GETBG_HI = Cardinal{KV_GETBG} << 16;
constexpr Cardinal KV_GETSKINDATA_HI = Cardinal{KV_GETSKINDATA} << 16;
constexpr Cardinal KV_PAINTOUTER_HI = Cardinal{KV_PAINTOUTER} << 16;
constexpr Cardinal KV_GETFONTINDEX_HI = Cardinal{KV_GETFONTINDEX} << 16;
constexpr Cardinal KV_SETSCALE_HI = Cardinal{KV_SETSCALE} << 16;
