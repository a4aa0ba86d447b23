#pragma once

#include <string_view>

// The fixed pieces of the protection script, each emitted exactly as written. Every line ends
// with CR LF; the blanks inside the lines are part of the output.
namespace quorlane::core {

inline constexpr std::u16string_view snippetNe = // error handler that swallows script errors
    u"\r\n"
    u"function qv_ne()\r\n"
    u"{\r\n"
    u"   return true\r\n"
    u"}\r\n"
    u"onerror=qv_ne;\r\n";

// Handler that refuses an event, except a press on a form control, which must still take the
// focus and the keys.
inline constexpr std::u16string_view snippetDn =
    u"\r\n"
    u"function qv_dn(a)\r\n"
    u"{\r\n"
    u"   if(a&&a.target&&a.target.closest&&a.target.closest('input,textarea,select,option,button,"
    u"label,[contenteditable]'))\r\n"
    u"       return true;\r\n"
    u"   return false;\r\n"
    u"}\r\n";

inline constexpr std::u16string_view
    snippetMu = // mouse-up handler and the context-menu / selection hooks
    u"\r\n"
    u"function qv_mu(e)\r\n"
    u"{\r\n"
    u"   if(e.which==1)\r\n"
    u"   {\r\n"
    u"       window.releaseEvents(Event.MOUSEMOVE);\r\n"
    u"       window.onmousemove=null;\r\n"
    u"   }\r\n"
    u"}\r\n"
    u"if(navigator.appName.indexOf('Internet "
    u"Explorer')==-1||navigator.userAgent.indexOf('MSIE')!=-1)\r\n"
    u"{\r\n"
    u"   if(document.all)\r\n"
    u"   {\r\n"
    u"       document.oncontextmenu=qv_cm;document.onselectstart=qv_dn;\r\n"
    u"   }\r\n"
    u"   if(document.layers)\r\n"
    u"   {\r\n"
    u"       window.captureEvents(Event.MOUSEUP|Event.MOUSEDOWN);\r\n"
    u"       window.onmousedown=qv_md;window.onmouseup=qv_mu;\r\n"
    u"   }\r\n"
    u"   if(document.getElementById&&!document.all)\r\n"
    u"   {\r\n"
    u"       document.oncontextmenu=qv_cm;document.onmousedown=qv_dn;\r\n"
    u"   }\r\n"
    u"}\r\n";

inline constexpr std::u16string_view snippetCmHooks = // context-menu hooks (one line)
    u"\r\n"
    u"if(navigator.appName.indexOf('Internet "
    u"Explorer')==-1||navigator.userAgent.indexOf('MSIE')!=-1){   if(document.all)   {       "
    u"document.oncontextmenu=qv_cm;   }   if(document.layers)   {       "
    u"document.captureEvents(Event.MOUSEDOWN);       document.onmousedown=qv_md   }   "
    u"if(document.getElementById&&!document.all)   {       document.oncontextmenu=qv_cm;   }}\r\n";

inline constexpr std::u16string_view snippetOffline = // leave pages opened from disk
    u"\r\n"
    u"if(window.location.href.substring(0,4)=='file')\r\n"
    u"{\r\n"
    u"   window.location='about:blank';\r\n"
    u"}\r\n";

inline constexpr std::u16string_view snippetNls = // keep the status bar empty
    u"\r\n"
    u"function qv_nls()\r\n"
    u"{\r\n"
    u"   window.status='';\r\n"
    u"   setTimeout('qv_nls()',10)\r\n"
    u"}\r\n"
    u"qv_nls();\r\n";

// Hides the page while it prints. The hidden elements are remembered in a list, so that their
// ids and everything else of theirs stay as the page made them.
inline constexpr std::u16string_view snippetDp =
    u"\r\n"
    u"var qv_hl=[];\r\n"
    u"function qv_dp1()\r\n"
    u"{\r\n"
    u"   qv_hl=[];\r\n"
    u"   for(var i=0;i<document.all.length;i++)\r\n"
    u"   {\r\n"
    u"       if(document.all[i].style.visibility!='hidden')\r\n"
    u"       {\r\n"
    u"           document.all[i].style.visibility='hidden';\r\n"
    u"           qv_hl.push(document.all[i]);\r\n"
    u"       }\r\n"
    u"   }\r\n"
    u"};\r\n"
    u"function qv_dp2()\r\n"
    u"{\r\n"
    u"   for(var i=0;i<qv_hl.length;i++)\r\n"
    u"       qv_hl[i].style.visibility='';\r\n"
    u"   qv_hl=[];\r\n"
    u"};\r\n"
    u"window.onbeforeprint=qv_dp1;window.onafterprint=qv_dp2;\r\n";

// Keeps overwriting the clipboard where a browser has text ranges, and cancels copy and cut
// outside form fields everywhere else.
inline constexpr std::u16string_view snippetDc =
    u"\r\n"
    u"function qv_dc()\r\n"
    u"{\r\n"
    u"   qv_ta.createTextRange().execCommand('Copy');setTimeout('qv_dc()',300);}   "
    u"if(navigator.appName.indexOf('Internet "
    u"Explorer')==-1||navigator.userAgent.indexOf('MSIE')!=-1)\r\n"
    u"   {\r\n"
    u"       if(document.all&&navigator.userAgent.indexOf('Opera')==-1)\r\n"
    u"       {\r\n"
    u"           document.write('<div style=position:absolute;left:-1000px;top:-1000px><input "
    u"type=textarea name=qv_ta value=a style=visibility:hidden></div>');qv_dc();\r\n"
    u"       }\r\n"
    u"}\r\n"
    u"function qv_nc(e)\r\n"
    u"{\r\n"
    u"   if(e.target&&e.target.closest&&e.target.closest('input,textarea,[contenteditable]'))\r\n"
    u"       return;\r\n"
    u"   e.preventDefault();\r\n"
    u"}\r\n"
    u"document.addEventListener('copy',qv_nc,true);document.addEventListener('cut',qv_nc,true);"
    u"\r\n";

inline constexpr std::u16string_view snippetNdd = // refuse drag start
    u"\r\n"
    u"function qv_ndd()\r\n"
    u"{\r\n"
    u"   return false;\r\n"
    u"}\r\n"
    u"document.ondragstart=qv_ndd;\r\n";

inline constexpr std::u16string_view snippetCapture = // stop web-capture tools
    u"\r\n"
    u"if(navigator.appName.indexOf('Internet "
    u"Explorer')!=-1&&navigator.userAgent.indexOf('MSIE')==-1)\r\n"
    u"    qv_ok=false;\r\n";

inline constexpr std::u16string_view
    snippetOpera = // turn Opera away, old ("Opera") and new ("OPR/")
    u"\r\n"
    u"if(navigator.userAgent.indexOf('Opera')!=-1||navigator.userAgent.indexOf('OPR/')!=-1)\r\n"
    u"   window.location='about:blank';\r\n";

inline constexpr std::u16string_view snippetFrames = // break out of frames
    u"\r\n"
    u"if(frames)\r\n"
    u"{\r\n"
    u"   if(top.frames.length>0)\r\n"
    u"       top.location.href=self.location;\r\n"
    u"}\r\n";

// Turns Gecko browsers away. Every browser writes "Gecko" in its user agent ("like Gecko"); only
// Gecko itself writes "Gecko/".
inline constexpr std::u16string_view snippetGecko =
    u"\r\n"
    u"if(navigator.userAgent.indexOf('Gecko/')!=-1)\r\n"
    u"{\r\n"
    u"   window.location='about:blank';\r\n"
    u"}\r\n";

inline constexpr std::u16string_view snippetDrag = // drag handlers named by the body tag
    u"\r\n"
    u"function enterDrag(){\r\n"
    u"   endDrag();\r\n"
    u"}\r\n"
    u"function endDrag()\r\n"
    u"{\r\n"
    u"   window.event.dataTransfer.clearData();\r\n"
    u"}\r\n"
    u"function overDrag()\r\n"
    u"{\r\n"
    u"   window.event.returnValue = false;\r\n"
    u"}\r\n";

} // namespace quorlane::core
