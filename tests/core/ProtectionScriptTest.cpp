#include "core/ProtectionScript.h"

#include <gtest/gtest.h>

#include "core/ScriptSnippets.h"
#include "core/modScripts.h"

using namespace quorlane::core;

namespace {

const std::u16string errorHandler =
    u"\r\nfunction qv_ne()\r\n{\r\n   return true\r\n}\r\nonerror=qv_ne;\r\n";

std::u16string scriptFor(const ProtectionSettings& settings)
{
    std::u16string script = u"<start>";
    BuildProtectionScript(settings, script);
    EXPECT_EQ(script.substr(0, 7), u"<start>");
    return script.substr(7);
}

ProtectionSettings with(std::initializer_list<ScriptOption> options)
{
    ProtectionSettings settings;
    for (ScriptOption option : options) {
        settings.scriptSwitches.set(option);
    }
    return settings;
}

} // namespace

TEST(ScriptPieces, ContextMenuHandlerWithAndWithoutWarning)
{
    EXPECT_EQ(ContextMenuScript(u""),
              u"\r\nfunction qv_cm()\r\n{\r\n\r\n   return false;\r\n}\r\n");
    EXPECT_EQ(ContextMenuScript(u"No!"),
              u"\r\nfunction qv_cm()\r\n{\r\n   alert('No!');\r\n   return false;\r\n}\r\n");
}

TEST(ScriptPieces, MouseDownHandlerGrowsAButtonOneBranchWhenSelectionIsBlocked)
{
    EXPECT_EQ(MouseDownScript(u"", false),
              u"\r\nfunction qv_md(e)\r\n{\r\n   if(e.which==2||e.which==3)\r\n   {\r\n\r\n"
              u"       return false;\r\n   }\r\n}\r\n");
    EXPECT_EQ(MouseDownScript(u"W", true),
              u"\r\nfunction qv_md(e)\r\n{\r\n   if(e.which==2||e.which==3)\r\n   {\r\n"
              u"      alert('W');\r\n       return false;\r\n   }\r\n   if(e.which==1) \r\n"
              u"       {\r\n           window.captureEvents(Event.MOUSEMOVE);\r\n"
              u"           window.onmousemove=qv_dn;\r\n       }\r\n}\r\n");
}

TEST(ScriptPieces, PasswordAndOneDomainInsertTheirTextsUnchanged)
{
    EXPECT_EQ(PasswordScript(u"pw"),
              u"\r\nif (qv_ok)\r\n{\r\n   p=prompt('Enter Password:','');\r\n"
              u"   if(p==null||p!='pw')\r\n       qv_ok=false;\r\n}\r\n");
    EXPECT_EQ(DomainLockScript(u"www.a.b"),
              u"\r\nfunction qv_hn(h)\r\n{\r\n   s=h.indexOf('://');\r\n   if(s==-1)\r\n"
              u"       {s=0}\r\n   else\r\n       {s=s+3};\r\n   e=h.indexOf('/',s);\r\n"
              u"   if(e==-1)\r\n       e=h.length;\r\n   d=h.substring(s,e);\r\n"
              u"   s=d.indexOf(':');\r\n   if(s!=-1)\r\n       d=d.substring(0,s);\r\n"
              u"   return d;\r\n}\r\nif(qv_hn(window.location.href)!='www.a.b')\r\n"
              u"   window.location='about:blank';\r\n");
}

TEST(BuildProtectionScript, NothingOnGivesOnlyTheErrorHandler)
{
    EXPECT_EQ(scriptFor(ProtectionSettings{}), errorHandler);
}

TEST(BuildProtectionScript, MouseBlockDependsOnWhichOfTheTwoSwitchesIsOn)
{
    EXPECT_EQ(scriptFor(with({ScriptOption::NoRightClick})), errorHandler + ContextMenuScript(u"") +
                                                                 MouseDownScript(u"", false) +
                                                                 std::u16string(snippetCmHooks));
    EXPECT_EQ(scriptFor(with({ScriptOption::NoTextSelect})),
              errorHandler + std::u16string(snippetDn) + ContextMenuScript(u"") +
                  MouseDownScript(u"", true) + std::u16string(snippetMu));
    EXPECT_EQ(scriptFor(with({ScriptOption::NoRightClick, ScriptOption::NoTextSelect})),
              errorHandler + std::u16string(snippetDn) + ContextMenuScript(u"") +
                  MouseDownScript(u"", true) + std::u16string(snippetMu) +
                  std::u16string(snippetCmHooks));
}

TEST(BuildProtectionScript, WarningFollowsItsFlagEvenWithRightClickOff)
{
    ProtectionSettings settings = with({ScriptOption::NoTextSelect});
    settings.rightClickWarning = true;
    settings.rightClickWarningText = u"Stop";
    const std::u16string script = scriptFor(settings);
    EXPECT_NE(script.find(u"   alert('Stop');\r\n"), std::u16string::npos);
    EXPECT_NE(script.find(u"      alert('Stop');\r\n"), std::u16string::npos);

    settings.rightClickWarningText.clear();
    EXPECT_EQ(scriptFor(settings).find(u"alert"), std::u16string::npos);
    settings.rightClickWarning = false;
    settings.rightClickWarningText = u"Stop";
    EXPECT_EQ(scriptFor(settings).find(u"alert"), std::u16string::npos);
}

TEST(BuildProtectionScript, SwitchesAndLocksComeInTheirFixedOrder)
{
    ProtectionSettings settings;
    for (int i = 0; i < scriptOptionCount; ++i) {
        settings.scriptSwitches.set(static_cast<ScriptOption>(i));
    }
    settings.passwordProtect = true;
    settings.password = u"pw";
    settings.domainLock = true;
    settings.urlLock = true;
    const std::u16string expected =
        errorHandler + PasswordScript(u"pw") + std::u16string(snippetDn) + ContextMenuScript(u"") +
        MouseDownScript(u"", true) + std::u16string(snippetMu) + std::u16string(snippetCmHooks) +
        std::u16string(snippetOffline) + std::u16string(snippetNls) + std::u16string(snippetDp) +
        std::u16string(snippetDc) + std::u16string(snippetNdd) + std::u16string(snippetCapture) +
        std::u16string(snippetOpera) + std::u16string(snippetFrames) +
        std::u16string(snippetGecko) + std::u16string(snippetDrag) +
        DomainLockScript(u"www.example.com") + UrlLockScript(u"http://www.example.com/index.html");
    EXPECT_EQ(scriptFor(settings), expected);
}

// A few of the fixed pieces, pinned character for character where the blanks are easy to lose.
TEST(ScriptSnippets, KeepTheirExactBlanks)
{
    EXPECT_EQ(snippetCapture, u"\r\nif(navigator.appName.indexOf('Internet Explorer')!=-1&&"
                              u"navigator.userAgent.indexOf('MSIE')==-1)\r\n    qv_ok=false;\r\n");
    EXPECT_EQ(snippetCmHooks,
              u"\r\nif(navigator.appName.indexOf('Internet Explorer')==-1||navigator.userAgent."
              u"indexOf('MSIE')!=-1){   if(document.all)   {       document.oncontextmenu=qv_cm;"
              u"   }   if(document.layers)   {       document.captureEvents(Event.MOUSEDOWN);"
              u"       document.onmousedown=qv_md   }   if(document.getElementById&&!document.all)"
              u"   {       document.oncontextmenu=qv_cm;   }}\r\n");
}

// The pieces that today's browsers need written differently, character for character.
TEST(ScriptSnippets, WorkInTodaysBrowsers)
{
    EXPECT_EQ(snippetGecko, u"\r\nif(navigator.userAgent.indexOf('Gecko/')!=-1)\r\n{\r\n"
                            u"   window.location='about:blank';\r\n}\r\n");
    EXPECT_EQ(snippetDn,
              u"\r\nfunction qv_dn(a)\r\n{\r\n   if(a&&a.target&&a.target.closest&&"
              u"a.target.closest('input,textarea,select,option,button,label,"
              u"[contenteditable]'))\r\n       return true;\r\n   return false;\r\n}\r\n");
    EXPECT_EQ(snippetDp, u"\r\nvar qv_hl=[];\r\nfunction qv_dp1()\r\n{\r\n   qv_hl=[];\r\n"
                         u"   for(var i=0;i<document.all.length;i++)\r\n   {\r\n"
                         u"       if(document.all[i].style.visibility!='hidden')\r\n       {\r\n"
                         u"           document.all[i].style.visibility='hidden';\r\n"
                         u"           qv_hl.push(document.all[i]);\r\n       }\r\n   }\r\n};\r\n"
                         u"function qv_dp2()\r\n{\r\n   for(var i=0;i<qv_hl.length;i++)\r\n"
                         u"       qv_hl[i].style.visibility='';\r\n   qv_hl=[];\r\n};\r\n"
                         u"window.onbeforeprint=qv_dp1;window.onafterprint=qv_dp2;\r\n");
    EXPECT_EQ(snippetDc,
              u"\r\nfunction qv_dc()\r\n{\r\n   qv_ta.createTextRange().execCommand('Copy');"
              u"setTimeout('qv_dc()',300);}   if(navigator.appName.indexOf('Internet Explorer')==-1"
              u"||navigator.userAgent.indexOf('MSIE')!=-1)\r\n   {\r\n       if(document.all&&"
              u"navigator.userAgent.indexOf('Opera')==-1)\r\n       {\r\n           "
              u"document.write('<div style=position:absolute;left:-1000px;top:-1000px><input "
              u"type=textarea name=qv_ta value=a style=visibility:hidden></div>');qv_dc();\r\n"
              u"       }\r\n}\r\nfunction qv_nc(e)\r\n{\r\n   if(e.target&&e.target.closest&&"
              u"e.target.closest('input,textarea,[contenteditable]'))\r\n       return;\r\n"
              u"   e.preventDefault();\r\n}\r\ndocument.addEventListener('copy',qv_nc,true);"
              u"document.addEventListener('cut',qv_nc,true);\r\n");
    EXPECT_EQ(snippetOpera, u"\r\nif(navigator.userAgent.indexOf('Opera')!=-1||"
                            u"navigator.userAgent.indexOf('OPR/')!=-1)\r\n"
                            u"   window.location='about:blank';\r\n");
}
