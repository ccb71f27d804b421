program Hello;

{$APPTYPE CONSOLE}

uses
  CompDate in 'CompDate.pas';

begin
  WriteLn('Hello, build ', CompileBuildStr, ' of ', CompileDate, ' ', CompileTime);
end.
