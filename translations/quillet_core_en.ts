<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>status</name>
    <message>
        <source>ファイルを開いてください。</source>
        <translation>Please open a file.</translation>
    </message>
    <message>
        <source>ファイルを開きました。</source>
        <translation>The file is open.</translation>
    </message>
    <message>
        <source>一時ファイルのフォルダがなくなっていたので、作り直して開きました。</source>
        <translation>The temporary folder had gone; it was made again and the file opened.</translation>
    </message>
    <message>
        <source>一時ファイルのフォルダが使えないため、システムの一時フォルダで開きました。</source>
        <translation>The temporary folder cannot be used; the file opened with the system's temporary folder.</translation>
    </message>
    <message>
        <source>プログラムが途中で切れています。読めた行まで表示しました。</source>
        <translation>The program is cut short; the lines that could be read are shown.</translation>
    </message>
    <message>
        <source>画像データがありません。ヘッダーだけのファイルなので、黒い画面を表示しました。</source>
        <translation>The file holds only a header and no picture data; a black screen is shown.</translation>
    </message>
    <message>
        <source>画像ではない BSAVE ファイル (機械語など) です。ヘッダーと16進ダンプを表示しました。</source>
        <translation>A BSAVE file that is no picture (machine code or data); its header and hex dump are shown.</translation>
    </message>
    <message>
        <source>リストでも画像でもないファイルです。16進ダンプを表示しました。</source>
        <translation>Neither a listing nor a picture; the file's hex dump is shown.</translation>
    </message>
    <message>
        <source>%1 は使えないため、使わずに表示しました。</source>
        <translation> %1 is left out, as it cannot be used. </translation>
    </message>
    <message>
        <source>パレットが入っていません。</source>
        <translation>It holds no palette.</translation>
    </message>
    <message>
        <source>BSAVE形式の画像ではありません。</source>
        <translation>It is not a BSAVE picture.</translation>
    </message>
    <message>
        <source>読み込み中です… </source>
        <translation>Loading… </translation>
    </message>
    <message>
        <source>アスキーセーブしました。</source>
        <translation>Saved as ASCII.</translation>
    </message>
    <message>
        <source>アスキーセーブ中です。しばらくお待ちください。</source>
        <translation>Saving as ASCII. Please wait.</translation>
    </message>
    <message>
        <source>RTF形式で保存しました。</source>
        <translation>Saved as RTF.</translation>
    </message>
    <message>
        <source>BMP形式で保存しました。</source>
        <translation>Saved as BMP.</translation>
    </message>
    <message>
        <source>最後まで検索しました。</source>
        <translation>Searched to the end.</translation>
    </message>
    <message>
        <source>最後まで検索しました。先頭から続けて検索しました。</source>
        <translation>Searched to the end; continued from the top.</translation>
    </message>
    <message>
        <source>先頭まで検索しました。最後から続けて検索しました。</source>
        <translation>Searched to the top; continued from the end.</translation>
    </message>
    <message>
        <source>見つかりませんでした。</source>
        <translation>Not found.</translation>
    </message>
    <message>
        <source>%1 行はないので、次の %2 行へ移動しました。</source>
        <translation>There is no line %1; moved to the next line, %2.</translation>
    </message>
    <message>
        <source>%1 行はありません。</source>
        <translation>There is no line %1.</translation>
    </message>
    <message>
        <source>HTML形式で保存しました。</source>
        <translation>Saved as HTML.</translation>
    </message>
    <message>
        <source>HTML形式で保存できませんでした。</source>
        <translation>Could not save as HTML.</translation>
    </message>
    <message>
        <source>漢字</source>
        <translation>Kanji</translation>
    </message>
    <message>
        <source> 行</source>
        <translation> lines</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした。</source>
        <translation>The file could not be opened. </translation>
    </message>
    <message>
        <source>アスキーセーブできませんでした。</source>
        <translation>Could not save as ASCII. </translation>
    </message>
    <message>
        <source>RTF形式で保存できませんでした。</source>
        <translation>Could not save as RTF. </translation>
    </message>
    <message>
        <source>BMP形式で保存できませんでした。</source>
        <translation>Could not save as BMP. </translation>
    </message>
    <message>
        <source>印刷できませんでした。</source>
        <translation>Could not print. </translation>
    </message>
    <message>
        <source>ヘルプファイルを開けません。</source>
        <translation>The help file cannot be opened.</translation>
    </message>
    <message>
        <source>設定を保存できませんでした。</source>
        <translation>The settings could not be saved. </translation>
    </message>
    <message>
        <source>（%1 行）</source>
        <translation> (line %1)</translation>
    </message>
    <message>
        <source>ファイルが見つかりません。</source>
        <translation>The file was not found.</translation>
    </message>
    <message>
        <source>アクセスする権限がありません。</source>
        <translation>Permission denied.</translation>
    </message>
    <message>
        <source>通常のファイルではありません。</source>
        <translation>Not a regular file.</translation>
    </message>
    <message>
        <source>パイプに書き込むプログラムがありません。</source>
        <translation>No program writes to the pipe.</translation>
    </message>
    <message>
        <source>ファイルを読み込めませんでした。</source>
        <translation>The file could not be read.</translation>
    </message>
    <message>
        <source>ファイルを作成できませんでした。</source>
        <translation>The file could not be created.</translation>
    </message>
    <message>
        <source>ファイルに書き込めませんでした。</source>
        <translation>The file could not be written.</translation>
    </message>
    <message>
        <source>BASICプログラムが壊れています。</source>
        <translation>The BASIC program is damaged.</translation>
    </message>
    <message>
        <source>このスクリーンモードの画像は表示できません。</source>
        <translation>Pictures of this screen mode cannot be shown.</translation>
    </message>
    <message>
        <source>RTF形式の文書ではありません。</source>
        <translation>Not an RTF document.</translation>
    </message>
    <message>
        <source>画像を読み込めませんでした。</source>
        <translation>The picture could not be read.</translation>
    </message>
    <message>
        <source>前のファイルをまだ読み込んでいます。</source>
        <translation>The previous file is still loading.</translation>
    </message>
    <message>
        <source>読み込みを中止しました。</source>
        <translation>The load was stopped.</translation>
    </message>
    <message>
        <source>プリンタが設定されていません。印刷でPDFファイルへの出力を選んでください。</source>
        <translation>No printer is set up. Choose printing to a PDF file in the print dialog.</translation>
    </message>
    <message>
        <source>プリンタが印刷を受け付けませんでした。</source>
        <translation>The printer did not accept the document.</translation>
    </message>
    <message>
        <source>BASICリストを中間コードに変換できません。</source>
        <translation>The BASIC listing cannot be tokenized.</translation>
    </message>
    <message>
        <source>ディスクイメージ、カセットイメージ、アーカイブのどれでもありません。</source>
        <translation>Not a disk image, cassette image or archive.</translation>
    </message>
    <message>
        <source>ディスクイメージ、カセットイメージまたはアーカイブが壊れています。</source>
        <translation>The disk image, cassette image or archive is damaged.</translation>
    </message>
    <message>
        <source>指定されたファイルが中にありません。</source>
        <translation>No file of that name is inside.</translation>
    </message>
    <message>
        <source>中のファイルが壊れていて読み込めません。</source>
        <translation>The file inside is damaged and cannot be read.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎるため開けません。</source>
        <translation>The file is too large to open.</translation>
    </message>
    <message>
        <source>ほかのファイルを収めたファイルです。中のファイルを指定してください。</source>
        <translation>This file holds other files. Choose one of them.</translation>
    </message>
    <message>
        <source>MSXの画像ファイルではありません。</source>
        <translation>This is not an MSX picture file.</translation>
    </message>
    <message>
        <source>このコンピュータのファイルではありません。</source>
        <translation>This is not a file on this computer.</translation>
    </message>
    <message>
        <source>ファイルのURIが正しくありません。</source>
        <translation>The file URI is not valid.</translation>
    </message>
    <message>
        <source>ファイルの数または展開する量が上限を超えたため、途中で止めました。</source>
        <translation>Stopped partway: the files inside, or the bytes to unpack, passed the limit.</translation>
    </message>
    <message>
        <source>プログラムの一部が見つかりません。Quilletをインストールし直してください。</source>
        <translation>A part of the program is missing. Please reinstall Quillet.</translation>
    </message>
    <message>
        <source>ディスクまたはテープの空きが足りません。</source>
        <translation>There is not enough room left on the disk or tape.</translation>
    </message>
    <message>
        <source>MSXのディスクやテープには付けられない名前です。</source>
        <translation>An MSX disk or tape cannot hold this name.</translation>
    </message>
    <message>
        <source>同じ名前のファイルまたはフォルダがすでにあります。</source>
        <translation>A file or folder of that name is already there.</translation>
    </message>
    <message>
        <source>このファイルには書き込めません。</source>
        <translation>This file cannot be written to.</translation>
    </message>
    <message>
        <source>原因不明のエラーです。</source>
        <translation>An unknown error occurred.</translation>
    </message>
    <message>
        <source>中のファイルを一覧に表示しました。ダブルクリックで開きます。</source>
        <translation>The files inside are listed. Double-click one to open it.</translation>
    </message>
    <message>
        <source>壊れている部分があります。読めるファイルは一覧から開けます。</source>
        <translation>Part of it is damaged. The files that can be read open from the list.</translation>
    </message>
    <message>
        <source>取り出して保存しました。</source>
        <translation>The file was extracted and saved.</translation>
    </message>
    <message>
        <source>取り出して保存できませんでした。</source>
        <translation>The file could not be extracted and saved.</translation>
    </message>
    <message>
        <source>ファイルを追加しました。</source>
        <translation>The files were added.</translation>
    </message>
    <message>
        <source>ファイルを削除しました。</source>
        <translation>The files were deleted.</translation>
    </message>
    <message>
        <source>ファイルを追加できませんでした。</source>
        <translation>The files could not be added.</translation>
    </message>
    <message>
        <source>ファイルを削除できませんでした。</source>
        <translation>The files could not be deleted.</translation>
    </message>
    <message>
        <source>新しいディスクを作れませんでした。</source>
        <translation>The new disk could not be made.</translation>
    </message>
    <message>
        <source>PNG形式で保存しました。</source>
        <translation>Saved as PNG.</translation>
    </message>
    <message>
        <source>PNG形式で保存できませんでした。</source>
        <translation>Could not save as PNG.</translation>
    </message>
</context>
</TS>
